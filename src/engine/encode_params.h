#pragma once
// The encode record: what a profile fills, a task keeps, and the converter and the size
// estimate receive unchanged. FourCC codes pack up to four characters, first character in
// the low byte, padded with blanks ("flv " is the FLV container, "COPY" stream copy).

#include <cstdint>
#include <string>
#include <string_view>

namespace fc {

using FourCC = uint32_t;

// Packs the first four characters of `text`, padded with blanks; "" gives 0.
constexpr FourCC MakeFourCC(std::string_view text) {
  if (text.empty()) return 0;
  FourCC code = 0;
  for (size_t i = 0; i < 4; ++i) {
    const auto c = static_cast<uint8_t>(i < text.size() ? text[i] : ' ');
    code |= static_cast<FourCC>(c) << (8 * i);
  }
  return code;
}

// The four characters of a code ("" for 0), trailing blanks kept.
std::string FourCCToString(FourCC code);

inline constexpr FourCC kFourCCFlv = MakeFourCC("flv ");
inline constexpr FourCC kFourCCSwf = MakeFourCC("avm2");
inline constexpr FourCC kFourCCCopy = MakeFourCC("COPY");

// Scale modes of the picture within the output frame (the zoom of the edit dialog).
enum class ScaleMode : int32_t {
  FullScreen = 0,    // stretch to the output frame
  KeepOriginal = 1,  // keep the picture's own aspect, black bars where needed
  Wide16x9 = 2,      // show the picture at 16:9, black bars where needed
  Standard4x3 = 3,   // show the picture at 4:3, black bars where needed
  LetterBox = 4,     // fill the output width; bars above and below, never at the sides
  PanScan = 5,       // fill the whole frame, cutting off what sticks out
};

// One field per value of the 112-byte record; the byte offset of each is noted for readers of
// saved records and profiles.
struct EncodeParams {
  FourCC video_fourcc = 0;        // +0
  int32_t width = 0;              // +4  0: the source's
  int32_t height = 0;             // +8
  double frame_rate = 0;          // +16 0: the source's
  int32_t video_bitrate = 0;      // +24 bits per second
  int32_t reserved28 = 0;         // +28
  int32_t reserved32 = 0;         // +32
  int32_t scale_mode = 1;         // +36 a ScaleMode value
  int32_t interpolation = 0;      // +40 the second scaling value: the scaler quality
  FourCC slide_pixel_format = 0;  // +44 handed to sequence decoders ("YV12")
  int32_t slide_bits = 0;         // +48 handed to sequence decoders (12)
  int32_t formate = 0;            // +52
  int32_t norm = 0;               // +56
  int32_t reserved60 = 0;         // +60
  int32_t reserved64 = 0;         // +64
  FourCC audio_fourcc = 0;        // +72
  int32_t sample_rate = 0;        // +76 Hz, 0: the source's
  int32_t channels = 0;           // +80 0: the source's
  int32_t audio_bitrate = 0;      // +84 bits per second
  int32_t reserved88 = 0;         // +88
  int32_t reserved92 = 0;         // +92
  int32_t sample_bits = 16;       // +96 handed to the audio processors
  int32_t no_video = 0;           // +100
  int32_t no_audio = 0;           // +104
  FourCC container_fourcc = 0;    // +108

  bool operator==(const EncodeParams&) const = default;
};

bool IsFlashContainer(FourCC container);

}  // namespace fc
