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

struct DvdAudioTrack {
  int32_t id = 0;            // the stream id the decoders select (0x80 + n for AC-3, ...)
  std::string language;      // two-letter code, "" when not given
  std::string description;   // "Normal", "Director's comments", ...
  std::string format;        // "AC-3", "MPEG", "LPCM", "DTS"
  int32_t channels = 0;
  int32_t sample_rate = 48000;
};

struct DvdSubtitleTrack {
  int32_t id = 0;            // 0x20 + n
  std::string language;
  std::string description;
};

struct DvdChapter {
  double begin = 0;          // seconds from the title's start
  double length = 0;
};

struct DvdTitle {
  int32_t number = 0;        // 1-based title number on the disc
  int32_t title_set = 0;
  double begin = 0;          // a title starts at 0 of its own time line
  double length = 0;
  int32_t width = 720, height = 576;
  double frame_rate = 25;
  std::vector<DvdChapter> chapters;
  std::vector<DvdAudioTrack> audio;
  std::vector<DvdSubtitleTrack> subtitles;
  bool available = true;     // its program chain could be read
};

class TDVDIFOInfo {
public:
  // Throws MediaError when the path is no readable DVD.
  explicit TDVDIFOInfo(const std::string& path);

  const std::string& path() const { return path_; }
  const std::vector<DvdTitle>& titles() const { return titles_; }
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
  MediaInfo GetFileInfo() const;

  // Opens the blocks of a title (0-based) or of its chapters first..last (0-based, inclusive;
  // last < 0 means to the end) for a decoder. Throws MediaError for a protected disc.
  InputOpener OpenTitle(int title, int firstChapter = 0, int lastChapter = -1) const;

private:
  const DvdTitle& Title(int title) const;

  std::string path_;
  std::string disc_path_;  // what libdvdread opens
  std::vector<DvdTitle> titles_;
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
