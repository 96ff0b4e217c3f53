#pragma once
// The encode record: what a profile fills, a task keeps, and the converter and the size
// estimate receive unchanged. FourCC codes pack up to four characters, first character in
// the low byte, padded with blanks ("flv " is the FLV container, "COPY" stream copy).

#include <cstdint>
#include <string>
#include <string_view>

namespace fc {

using TFourCC = uint32_t;

// Packs the first four characters of `text`, padded with blanks; "" gives 0.
constexpr TFourCC MakeFourCC(std::string_view text) {
  if (text.empty()) return 0;
  TFourCC code = 0;
  for (size_t i = 0; i < 4; ++i) {
    const auto c = static_cast<uint8_t>(i < text.size() ? text[i] : ' ');
    code |= static_cast<TFourCC>(c) << (8 * i);
  }
  return code;
}

// The four characters of a code ("" for 0), trailing blanks kept.
std::string FourCCToString(TFourCC code);

inline constexpr TFourCC kFourCCFlv = MakeFourCC("flv ");
inline constexpr TFourCC kFourCCSwf = MakeFourCC("avm2");
inline constexpr TFourCC kFourCCCopy = MakeFourCC("COPY");

// Scale modes of the picture within the output frame (the zoom of the edit dialog).
enum class TScaleMode : int32_t {
  FullScreen = 0,    // stretch to the output frame
  KeepOriginal = 1,  // keep the picture's own aspect, black bars where needed
  Wide16x9 = 2,      // show the picture at 16:9, black bars where needed
  Standard4x3 = 3,   // show the picture at 4:3, black bars where needed
  LetterBox = 4,     // fill the output width; bars above and below, never at the sides
  PanScan = 5,       // fill the whole frame, cutting off what sticks out
};

// One field per value of the 112-byte record; the byte offset of each is noted for readers of
// saved records and profiles.
struct TEncodeParams {
  TFourCC VideoFourCC = 0;        // +0
  int32_t Width = 0;              // +4  0: the source's
  int32_t Height = 0;             // +8
  double FrameRate = 0;          // +16 0: the source's
  int32_t VideoBitrate = 0;      // +24 bits per second
  int32_t Reserved28 = 0;         // +28
  int32_t Reserved32 = 0;         // +32
  int32_t ScaleMode = 1;         // +36 a TScaleMode value
  int32_t Interpolation = 0;      // +40 the second scaling value: the scaler quality
  TFourCC SlidePixelFormat = 0;  // +44 handed to sequence decoders ("YV12")
  int32_t SlideBits = 0;         // +48 handed to sequence decoders (12)
  int32_t Formate = 0;            // +52
  int32_t Norm = 0;               // +56
  int32_t Reserved60 = 0;         // +60
  int32_t Reserved64 = 0;         // +64
  TFourCC AudioFourCC = 0;        // +72
  int32_t SampleRate = 0;        // +76 Hz, 0: the source's
  int32_t Channels = 0;           // +80 0: the source's
  int32_t AudioBitrate = 0;      // +84 bits per second
  int32_t Reserved88 = 0;         // +88
  int32_t Reserved92 = 0;         // +92
  int32_t SampleBits = 16;       // +96 handed to the audio processors
  int32_t NoVideo = 0;           // +100
  int32_t NoAudio = 0;           // +104
  TFourCC ContainerFourCC = 0;    // +108

  bool operator==(const TEncodeParams&) const = default;
};

bool IsFlashContainer(TFourCC container);

}  // namespace fc
