#include "gui/model/job_texts.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/language.h"
#include "core/paths.h"
#include "core/text.h"
#include "profiles/profile_choices.h"
#include "tasks/media_task.h"
#include "tasks/task_source.h"

namespace fc::gui {

namespace fs = std::filesystem;

std::string EstimatedSizeText(TMediaTask& task) {
  if (task.SizeUnknown()) return GetString("INF_Unknown", "Unknown");
  return SizeText(task.EstimatedSize());
}

namespace {

// Every supported extension once, in the order of the chooser's list, with its family.
struct TVideoExtension {
  const char* Extension;
  const char* Family;
};
constexpr TVideoExtension kVideoExtensions[] = {
    {"avi", "AVI Files"},       {"mp4", "MPEG-4 Files"},    {"mpg", "MPEG Files"},
    {"mka", "Matroska Files"},  {"mpeg", "MPEG Files"},     {"vob", "MPEG Files"},
    {"3gp", "MPEG-4 Files"},    {"wmv", "Windows Media Files"}, {"asf", "Windows Media Files"},
    {"rm", "Real Media Files"}, {"rmvb", "Real Media Files"}, {"dat", "MPEG Files"},
    {"mov", "QuickTime Files"}, {"flv", "Flash Video Files"}, {"M4V", "MPEG-4 Files"},
    {"MKV", "Matroska Files"},  {"MOD", "Camcorder Files"}, {"tod", "Camcorder Files"},
    {"mts", "Transport Stream Files"}, {"m2ts", "Transport Stream Files"}, {"tp", "Transport Stream Files"},
    {"trp", "Transport Stream Files"}, {"ts", "Transport Stream Files"},  {"dv", "DV Files"},
    {"nut", "NUT Files"},       {"h.264", "H.264 Files"},   {"nsv", "Nullsoft Video Files"},
};

std::string Patterns(const char* family) {
  std::string out;
  for (const TVideoExtension& e : kVideoExtensions)
    if (!family || std::string_view(e.Family) == family) out += std::string(out.empty() ? "" : ";") + "*." + e.Extension;
  return out;
}

}  // namespace

std::string SupportedVideoExtensionsText() {
  std::string out;
  for (const TVideoExtension& e : kVideoExtensions) out += std::string(out.empty() ? "" : " ") + "*." + e.Extension + ";";
  return out;
}

bool IsSupportedVideoFile(std::string_view path) {
  const std::string name = fs::path(path).filename().string();
  // "h.264" has a dot of its own: compare the name's ending, not the last extension.
  for (const TVideoExtension& e : kVideoExtensions) {
    const std::string suffix = std::string(".") + e.Extension;
    if (name.size() > suffix.size() && IEquals(std::string_view(name).substr(name.size() - suffix.size()), suffix))
      return true;
  }
  return false;
}

std::vector<std::string> VideoFileFilters() {
  const std::string all = Patterns(nullptr);
  std::vector<std::string> filters{"All supported Video formats (" + all + ")|" + all};
  std::vector<std::string_view> seen;
  for (const TVideoExtension& e : kVideoExtensions) {
    if (std::find(seen.begin(), seen.end(), e.Family) != seen.end()) continue;
    seen.push_back(e.Family);
    const std::string patterns = Patterns(e.Family);
    filters.push_back(std::string(e.Family) + " (" + patterns + ")|" + patterns);
  }
  filters.push_back("All files (*)|*");
  return filters;
}

std::string SafeFileStem(std::string_view text) {
  // Leaves room for "(nnn)" and the extension within a file name's 255 bytes.
  constexpr size_t kMaxStem = 240;
  return Utf8Prefix(SanitizePathComponent(text, ""), kMaxStem);
}

TFileInformation FileInformation(TMediaTask& task) {
  TFileInformation info;
  info.Title = task.Title;
  info.Length = TimeText(task.Duration());
  const TMediaTaskMediaSource* src = task.Source();
  if (!src) return info;
  info.HasVideo = src->HasVideo;
  info.HasAudio = src->HasAudio;
  if (src->HasVideo) {
    info.Resolution = Format("%d x %d", src->VideoFormat.Width, src->VideoFormat.Height);
    info.VideoBitrate = Format("%d kbps", static_cast<int>(src->VideoBitrate / 1000));
    info.FrameRate = FrameRateCaption(src->VideoFormat.FrameRate);
  }
  if (src->HasAudio) {
    info.SampleRate = Format("%d Hz", src->AudioFormat.SampleRate);
    info.AudioBitrate = Format("%d kbps", static_cast<int>(src->AudioBitrate / 1000));
    const int channels = src->AudioFormat.Channels;
    info.Channels.Key = channels == 1 ? "INF_1Channel" : channels == 2 ? "INF_2Channel" : "INF_nChannel";
    info.Channels.Args = {int64_t{channels}};
  }
  return info;
}

}  // namespace fc::gui
