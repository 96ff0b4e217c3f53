#pragma once
// TDVDIFOInfo: the titles of a DVD (a VIDEO_TS folder, one of its .IFO files, or an .ISO
// image) read from its IFO files with libdvdread: chapters with begin times and lengths,
// audio and subtitle tracks, the copy-protection flag and the volume name. A title or a range
// of its chapters is decoded by feeding the disc's blocks to FFmpeg's MPEG-PS demuxer.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/decoder.h"
#include "engine/media_info.h"

namespace fc {

struct TDvdAudioTrack {
  int32_t ID = 0;            // the stream id the decoders select (0x80 + n for AC-3, ...)
  std::string Language;      // two-letter code, "" when not given
  std::string Description;   // "Normal", "Director's comments", ...
  std::string Format;        // "AC-3", "MPEG", "LPCM", "DTS"
  int32_t Channels = 0;
  int32_t SampleRate = 48000;
};

struct TDvdSubtitleTrack {
  int32_t ID = 0;            // 0x20 + n
  std::string Language;
  std::string Description;
};

struct TDvdChapter {
  double begin = 0;          // seconds from the title's start
  double Length = 0;
};

struct TDvdTitle {
  int32_t Number = 0;        // 1-based title number on the disc
  int32_t TitleSet = 0;
  double begin = 0;          // a title starts at 0 of its own time line
  double Length = 0;
  int32_t Width = 720, Height = 576;
  double FrameRate = 25;
  std::vector<TDvdChapter> Chapters;
  std::vector<TDvdAudioTrack> Audio;
  std::vector<TDvdSubtitleTrack> Subtitles;
  bool Available = true;     // its program chain could be read
};

class TDVDIFOInfo {
public:
  // Throws MediaError when the path is no readable DVD.
  explicit TDVDIFOInfo(const std::string& path);

  const std::string& Path() const { return path_; }
  const std::vector<TDvdTitle>& Titles() const { return titles_; }
  int TitleCount() const { return static_cast<int>(titles_.size()); }
  int ChapterCount(int title) const;
  bool TitleAvailable(int title) const;
  double TitleBeginTime(int title) const;
  double TitleLength(int title) const;
  double ChapterBeginTime(int title, int chapter) const;
  double ChapterLength(int title, int chapter) const;
  // The titles' blocks are scrambled (CSS) and cannot be decoded without the disc keys.
  bool HaveCSSProtect() const { return css_protected_; }
  const std::string& VolumeName() const { return volume_name_; }
  // The number of IFO files on the disc (the video manager and each title set).
  int IfoCount() const { return ifo_count_; }
  // The disc as media information: one program per title (program id = title number).
  TMediaInfo GetFileInfo() const;

  // Opens the blocks of a title (0-based) or of its chapters first..last (0-based, inclusive;
  // last < 0 means to the end) for a decoder. Throws MediaError for a protected disc.
  TInputOpener OpenTitle(int title, int first_chapter = 0, int last_chapter = -1) const;

private:
  const TDvdTitle& Title(int title) const;

  std::string path_;
  std::string disc_path_;  // what libdvdread opens
  std::vector<TDvdTitle> titles_;
  bool css_protected_ = false;
  std::string volume_name_;
  int ifo_count_ = 0;
};

// True when a PES packet in these 2048-byte blocks (MPEG program stream packs) has its
// scrambling bits set: the disc is CSS protected. A partial last block is ignored.
bool DvdBlocksScrambled(std::span<const uint8_t> blocks);

// True when the path names a DVD the reader should open rather than a media file: an .ifo or
// .iso file, or a folder holding VIDEO_TS.
bool IsDvdPath(const std::string& path);

}  // namespace fc
