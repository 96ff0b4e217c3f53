#include "engine/dvd.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "core/text.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

struct TDiscCloser { void operator()(dvd_reader_t* d) const { DVDClose(d); } };
struct TIfoCloser { void operator()(ifo_handle_t* i) const { ifoClose(i); } };
struct TFileCloser { void operator()(dvd_file_t* f) const { DVDCloseFile(f); } };
using TDiscPtr = std::unique_ptr<dvd_reader_t, TDiscCloser>;
using TIfoPtr = std::unique_ptr<ifo_handle_t, TIfoCloser>;
using TDvdFilePtr = std::unique_ptr<dvd_file_t, TFileCloser>;

// libdvdread's own messages (such as the note that no CSS library is installed) stay out of
// the program's output; failures reach the caller as exceptions.
void QuietLog(void*, dvd_logger_level_t, const char*, va_list) {}
const dvd_logger_cb kQuietLogger{QuietLog};

TDiscPtr OpenDisc(const std::string& disc_path, const std::string& shown) {
  TDiscPtr disc(DVDOpen2(nullptr, &kQuietLogger, disc_path.c_str()));
  if (!disc) throw MediaError("cannot open the DVD " + shown);
  return disc;
}

int Bcd(uint8_t v) { return (v >> 4) * 10 + (v & 0x0F); }

double Seconds(const dvd_time_t& t) {
  const int fps_code = t.frame_u >> 6;
  const double fps = fps_code == 3 ? 30000.0 / 1001 : 25.0;
  return Bcd(t.hour) * 3600.0 + Bcd(t.minute) * 60.0 + Bcd(t.second) + Bcd(t.frame_u & 0x3F) / fps;
}

std::string Language(uint16_t code) {
  if (code == 0 || code == 0xFFFF) return "";
  std::string s{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  return std::isalpha(static_cast<unsigned char>(s[0])) ? s : "";
}

const char* AudioDescription(uint8_t ext) {
  switch (ext) {
    case 1: return "Normal";
    case 2: return "For visually impaired";
    case 3: return "Director's comments";
    case 4: return "Alternate director's comments";
    default: return "";
  }
}

const pgc_t* TitlePgc(const ifo_handle_t* vts, int ttn, int chapter, int* pgn) {
  if (!vts->vts_ptt_srpt || ttn < 1 || ttn > vts->vts_ptt_srpt->nr_of_srpts) return nullptr;
  const ttu_t& ttu = vts->vts_ptt_srpt->title[ttn - 1];
  if (chapter < 0 || chapter >= ttu.nr_of_ptts) return nullptr;
  const ptt_info_t& ptt = ttu.ptt[chapter];
  if (!vts->vts_pgcit || ptt.pgcn < 1 || ptt.pgcn > vts->vts_pgcit->nr_of_pgci_srp) return nullptr;
  if (pgn) *pgn = ptt.pgn;
  return vts->vts_pgcit->pgci_srp[ptt.pgcn - 1].pgc;
}

// Cells [first, last) (0-based) of program `pgn` (1-based) of a program chain.
std::pair<int, int> ProgramCells(const pgc_t* pgc, int pgn) {
  if (!pgc || !pgc->program_map || pgn < 1 || pgn > pgc->nr_of_programs) return {0, 0};
  const int first = pgc->program_map[pgn - 1] - 1;
  const int last = pgn < pgc->nr_of_programs ? pgc->program_map[pgn] - 1 : pgc->nr_of_cells;
  return {std::clamp(first, 0, static_cast<int>(pgc->nr_of_cells)), std::clamp(last, 0, static_cast<int>(pgc->nr_of_cells))};
}

// One angle only: cells of other angles in an angle block are skipped.
bool PlayedCell(const cell_playback_t& c) {
  return c.block_type != BLOCK_TYPE_ANGLE_BLOCK || c.block_mode == BLOCK_MODE_FIRST_CELL;
}

}  // namespace

bool DvdBlocksScrambled(std::span<const uint8_t> data) {
  const size_t blocks = data.size() / DVD_VIDEO_LB_LEN;
  for (size_t b = 0; b < blocks; ++b) {
    const unsigned char* p = data.data() + b * DVD_VIDEO_LB_LEN;
    if (!(p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == 0xBA)) continue;
    size_t off = 14 + (p[13] & 0x07);  // pack header and its stuffing
    while (off + 9 < DVD_VIDEO_LB_LEN && p[off] == 0 && p[off + 1] == 0 && p[off + 2] == 1) {
      const unsigned char id = p[off + 3];
      const size_t len = (p[off + 4] << 8) | p[off + 5];
      const bool media = (id >= 0xC0 && id <= 0xEF) || id == 0xBD;
      if (media && (p[off + 6] & 0xC0) == 0x80 && (p[off + 6] & 0x30) != 0) return true;
      off += 6 + len;
    }
  }
  return false;
}

namespace {

// Blocks of a title's cells as one byte stream for FFmpeg.
class TDvdBlockInput : public TCustomInput {
public:
  TDvdBlockInput(TDiscPtr disc, TDvdFilePtr file, std::vector<std::pair<uint32_t, uint32_t>> ranges)
      : disc_(std::move(disc)), file_(std::move(file)), ranges_(std::move(ranges)) {
    for (const auto& r : ranges_) total_blocks_ += r.second - r.first + 1;
  }

  int Read(uint8_t* buf, int size) {
    int done = 0;
    while (done < size) {
      const int64_t block = position_ / DVD_VIDEO_LB_LEN;
      if (block >= total_blocks_) break;
      if (block != cached_block_) {
        const int64_t sector = SectorOf(block);
        if (DVDReadBlocks(file_.get(), static_cast<int>(sector), 1, cache_) != 1) return done ? done : AVERROR(EIO);
        cached_block_ = block;
      }
      const int in_block = static_cast<int>(position_ % DVD_VIDEO_LB_LEN);
      const int n = std::min(size - done, DVD_VIDEO_LB_LEN - in_block);
      std::memcpy(buf + done, cache_ + in_block, static_cast<size_t>(n));
      done += n;
      position_ += n;
    }
    return done ? done : AVERROR_EOF;
  }

  int64_t Seek(int64_t offset, int whence) {
    const int64_t size = total_blocks_ * DVD_VIDEO_LB_LEN;
    if (whence & AVSEEK_SIZE) return size;
    int64_t target = offset;
    if ((whence & 3) == SEEK_CUR) target += position_;
    else if ((whence & 3) == SEEK_END) target += size;
    if (target < 0) return AVERROR(EINVAL);
    position_ = target;
    return position_;
  }

private:
  int64_t SectorOf(int64_t block) const {
    for (const auto& r : ranges_) {
      const int64_t n = r.second - r.first + 1;
      if (block < n) return r.first + block;
      block -= n;
    }
    return -1;
  }

  TDiscPtr disc_;
  TDvdFilePtr file_;
  std::vector<std::pair<uint32_t, uint32_t>> ranges_;
  int64_t total_blocks_ = 0;
  int64_t position_ = 0;
  int64_t cached_block_ = -1;
  unsigned char cache_[DVD_VIDEO_LB_LEN];
};

int ReadPacket(void* opaque, uint8_t* buf, int size) { return static_cast<TDvdBlockInput*>(opaque)->Read(buf, size); }
int64_t SeekPacket(void* opaque, int64_t offset, int whence) {
  return static_cast<TDvdBlockInput*>(opaque)->Seek(offset, whence);
}

}  // namespace

bool IsDvdPath(const std::string& path) {
  const std::string ext = ToLowerAscii(fs::path(path).extension().string());
  if (ext == ".ifo" || ext == ".iso") return true;
  std::error_code ec;
  return fs::is_directory(path, ec) &&
         (IEquals(fs::path(path).filename().string(), "VIDEO_TS") || fs::is_directory(fs::path(path) / "VIDEO_TS", ec));
}

TDVDIFOInfo::TDVDIFOInfo(const std::string& path) : path_(path) {
  const std::string ext = ToLowerAscii(fs::path(path).extension().string());
  fs::path disc = path;
  if (ext == ".ifo") disc = disc.parent_path();
  if (IEquals(disc.filename().string(), "VIDEO_TS")) disc = disc.parent_path();
  disc_path_ = disc.empty() ? "." : disc.string();
  std::error_code ec;
  if (!fs::exists(disc_path_, ec)) throw MediaError("the DVD " + path + " does not exist");

  TDiscPtr dvd = OpenDisc(disc_path_, path);
  TIfoPtr vmg(ifoOpen(dvd.get(), 0));
  if (!vmg || !vmg->tt_srpt) throw MediaError(path + " holds no readable DVD video manager (VIDEO_TS.IFO)");
  ifo_count_ = 1 + (vmg->vmgi_mat ? vmg->vmgi_mat->vmg_nr_of_title_sets : 0);

  char volid[33] = {};
  unsigned char volsetid[128] = {};
  if (DVDUDFVolumeInfo(dvd.get(), volid, sizeof volid, volsetid, sizeof volsetid) != 0 &&
      DVDISOVolumeInfo(dvd.get(), volid, sizeof volid, volsetid, sizeof volsetid) != 0)
    volid[0] = 0;
  volume_name_ = std::string(Trim(volid));

  std::vector<TIfoPtr> title_sets(static_cast<size_t>(ifo_count_));
  for (int i = 0; i < vmg->tt_srpt->nr_of_srpts; ++i) {
    const title_info_t& info = vmg->tt_srpt->title[i];
    TDvdTitle t;
    t.Number = i + 1;
    t.TitleSet = info.title_set_nr;
    if (info.title_set_nr < 1 || info.title_set_nr >= ifo_count_) {
      t.Available = false;
      titles_.push_back(std::move(t));
      continue;
    }
    TIfoPtr& vts = title_sets[info.title_set_nr];
    if (!vts) vts.reset(ifoOpen(dvd.get(), info.title_set_nr));
    int pgn = 0;
    const pgc_t* pgc = vts ? TitlePgc(vts.get(), info.vts_ttn, 0, &pgn) : nullptr;
    if (!pgc) {
      t.Available = false;
      titles_.push_back(std::move(t));
      continue;
    }
    t.Length = Seconds(pgc->playback_time);
    const vtsi_mat_t* mat = vts->vtsi_mat;
    t.FrameRate = (pgc->playback_time.frame_u >> 6) == 3 ? 30000.0 / 1001 : 25.0;
    t.Height = mat->vts_video_attr.video_format == 0 ? 480 : 576;
    static constexpr int kWidths[] = {720, 704, 352, 352};
    t.Width = kWidths[mat->vts_video_attr.picture_size & 3];
    if (mat->vts_video_attr.picture_size == 3) t.Height /= 2;
    // Chapters: each part of the title is a program of its chain.
    const int chapters = vts->vts_ptt_srpt->title[info.vts_ttn - 1].nr_of_ptts;
    double begin = 0;
    for (int c = 0; c < chapters; ++c) {
      int cpgn = 0;
      const pgc_t* cpgc = TitlePgc(vts.get(), info.vts_ttn, c, &cpgn);
      const auto [first, last] = ProgramCells(cpgc, cpgn);
      double length = 0;
      for (int cell = first; cell < last; ++cell)
        if (PlayedCell(cpgc->cell_playback[cell])) length += Seconds(cpgc->cell_playback[cell].playback_time);
      t.Chapters.push_back({begin, length});
      begin += length;
    }
    static constexpr const char* kFormats[] = {"AC-3", "", "MPEG", "MPEG-2", "LPCM", "", "DTS", ""};
    for (int a = 0; a < mat->nr_of_vts_audio_streams && a < 8; ++a) {
      if (!(pgc->audio_control[a] & 0x8000)) continue;
      const audio_attr_t& attr = mat->vts_audio_attr[a];
      const int n = (pgc->audio_control[a] >> 8) & 0x07;
      TDvdAudioTrack track;
      switch (attr.audio_format) {
        case 0: track.ID = 0x80 + n; break;
        case 6: track.ID = 0x88 + n; break;
        case 4: track.ID = 0xA0 + n; break;
        default: track.ID = 0x1C0 + n; break;
      }
      track.Language = attr.lang_type == 1 ? Language(attr.lang_code) : "";
      track.Description = AudioDescription(attr.code_extension);
      track.Format = kFormats[attr.audio_format & 7];
      track.Channels = attr.channels + 1;
      track.SampleRate = attr.sample_frequency == 1 ? 96000 : 48000;
      t.Audio.push_back(std::move(track));
    }
    for (int s = 0; s < mat->nr_of_vts_subp_streams && s < 32; ++s) {
      if (!(pgc->subp_control[s] & 0x80000000u)) continue;
      TDvdSubtitleTrack track;
      track.ID = 0x20 + static_cast<int>((pgc->subp_control[s] >> 24) & 0x1F);
      track.Language = mat->vts_subp_attr[s].type == 1 ? Language(mat->vts_subp_attr[s].lang_code) : "";
      track.Description = track.Language.empty() ? Format("Subtitle %d", s + 1) : track.Language;
      t.Subtitles.push_back(std::move(track));
    }
    titles_.push_back(std::move(t));
  }
  if (titles_.empty()) throw MediaError(path + " has no titles");

  // Copy protection shows in the first blocks of the first playable title.
  for (const TDvdTitle& t : titles_) {
    if (!t.Available) continue;
    TDvdFilePtr vob(DVDOpenFile(dvd.get(), t.TitleSet, DVD_READ_TITLE_VOBS));
    if (!vob) break;
    std::vector<unsigned char> data(16 * DVD_VIDEO_LB_LEN);
    const ssize_t got = DVDReadBlocks(vob.get(), 0, 16, data.data());
    css_protected_ = got > 0 && DvdBlocksScrambled({data.data(), static_cast<size_t>(got) * DVD_VIDEO_LB_LEN});
    break;
  }
}

const TDvdTitle& TDVDIFOInfo::Title(int title) const {
  if (title < 0 || title >= TitleCount()) throw MediaError(Format("the DVD has no title %d", title + 1));
  return titles_[static_cast<size_t>(title)];
}

int TDVDIFOInfo::ChapterCount(int title) const { return static_cast<int>(Title(title).Chapters.size()); }
bool TDVDIFOInfo::TitleAvailable(int title) const {
  return title >= 0 && title < TitleCount() && titles_[static_cast<size_t>(title)].Available;
}
double TDVDIFOInfo::TitleBeginTime(int title) const { return Title(title).begin; }
double TDVDIFOInfo::TitleLength(int title) const { return Title(title).Length; }

double TDVDIFOInfo::ChapterBeginTime(int title, int chapter) const {
  const TDvdTitle& t = Title(title);
  if (chapter < 0 || chapter >= static_cast<int>(t.Chapters.size())) throw MediaError("no such chapter");
  return t.Chapters[static_cast<size_t>(chapter)].begin;
}

double TDVDIFOInfo::ChapterLength(int title, int chapter) const {
  const TDvdTitle& t = Title(title);
  if (chapter < 0 || chapter >= static_cast<int>(t.Chapters.size())) throw MediaError("no such chapter");
  return t.Chapters[static_cast<size_t>(chapter)].Length;
}

TMediaInfo TDVDIFOInfo::GetFileInfo() const {
  TMediaInfo info;
  info.FileName = path_;
  info.FormatName = "dvd";
  for (const TDvdTitle& t : titles_) {
    TProgramInfo p;
    p.ID = t.Number;
    p.Duration = t.Length;
    p.Value = static_cast<int32_t>(t.Chapters.size());
    if (t.Available) {
      TVideoStreamInfo v;
      v.ID = 0x1E0;
      v.Name = "Video 1 (mpeg2video)";
      v.Codec = "mpeg2video";
      v.Duration = t.Length;
      v.Format = {t.Width, t.Height, t.FrameRate, 4, 3, 0};
      p.Video.push_back(v);
    }
    for (size_t i = 0; i < t.Audio.size(); ++i) {
      TAudioStreamInfo a;
      a.ID = t.Audio[i].ID;
      a.Index = static_cast<int32_t>(i);
      a.Codec = t.Audio[i].Format;
      a.Language = t.Audio[i].Language;
      a.Name = Format("Audio %zu (%s%s%s)", i + 1, a.Codec.c_str(), a.Language.empty() ? "" : ", ",
                      a.Language.c_str());
      a.Duration = t.Length;
      a.Format = {t.Audio[i].SampleRate, t.Audio[i].Channels, 16, 0};
      p.Audio.push_back(std::move(a));
    }
    for (size_t i = 0; i < t.Subtitles.size(); ++i) {
      TSubtitleStreamInfo s;
      s.ID = t.Subtitles[i].ID;
      s.Index = static_cast<int32_t>(i);
      s.Codec = "dvd_subtitle";
      s.Language = t.Subtitles[i].Language;
      s.Name = t.Subtitles[i].Description;
      s.Bitmap = true;
      p.Subtitles.push_back(std::move(s));
    }
    info.Duration = std::max(info.Duration, t.Length);
    info.Programs.push_back(std::move(p));
  }
  return info;
}

TInputOpener TDVDIFOInfo::OpenTitle(int title, int first_chapter, int last_chapter) const {
  const TDvdTitle& t = Title(title);
  if (!t.Available) throw MediaError(Format("title %d of the DVD cannot be read", t.Number));
  if (css_protected_)
    throw MediaError("the DVD " + path_ + " is copy-protected (CSS); its titles cannot be read");
  const int chapters = static_cast<int>(t.Chapters.size());
  if (last_chapter < 0 || last_chapter >= chapters) last_chapter = chapters - 1;
  if (first_chapter < 0 || first_chapter > last_chapter)
    throw MediaError(Format("title %d has no chapter %d", t.Number, first_chapter + 1));
  const std::string disc_path = disc_path_, shown = path_;
  const int title_set = t.TitleSet, number = t.Number;
  return [=]() -> TInputContextPtr {
    TDiscPtr dvd = OpenDisc(disc_path, shown);
    TIfoPtr vmg(ifoOpen(dvd.get(), 0));
    TIfoPtr vts(ifoOpen(dvd.get(), title_set));
    if (!vmg || !vts) throw MediaError("cannot read the IFO files of " + shown);
    const int ttn = vmg->tt_srpt->title[number - 1].vts_ttn;
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
    for (int c = first_chapter; c <= last_chapter; ++c) {
      int pgn = 0;
      const pgc_t* pgc = TitlePgc(vts.get(), ttn, c, &pgn);
      const auto [first, last] = ProgramCells(pgc, pgn);
      for (int cell = first; cell < last; ++cell) {
        const cell_playback_t& cp = pgc->cell_playback[cell];
        if (PlayedCell(cp) && cp.last_sector >= cp.first_sector) ranges.emplace_back(cp.first_sector, cp.last_sector);
      }
    }
    if (ranges.empty()) throw MediaError(Format("title %d of %s has no blocks", number, shown.c_str()));
    TDvdFilePtr vob(DVDOpenFile(dvd.get(), title_set, DVD_READ_TITLE_VOBS));
    if (!vob) throw MediaError("cannot open the title files of " + shown);
    constexpr int kBuffer = 32 * DVD_VIDEO_LB_LEN;
    TCustomIoPtr io = MakeCustomIo(std::make_unique<TDvdBlockInput>(std::move(dvd), std::move(vob), std::move(ranges)),
                                   kBuffer, ReadPacket, SeekPacket);
    return OpenCustomInput(std::move(io), av_find_input_format("mpeg"),
                           Format("cannot read title %d of %s", number, shown.c_str()),
                           Format("cannot read the streams of title %d", number));
  };
}

}  // namespace fc
