#include "gui/model/job_texts.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/language.h"
#include "core/message_format.h"
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

namespace fc::gui {
namespace {

struct TBuiltInMessage {
  const char* Key;
  const char* Text;
};
// The messages of the main window and its dialogs, as the English language file words them.
constexpr TBuiltInMessage kBuiltInMessages[] = {
    {"INF_CreateFolder_Error", "The folder cannot be created. The default folder is used instead."},
    {"INF_DropFolderFile",
     "Folders cannot be dropped here. Please drop video files, or add a whole folder through the File menu."},
    {"INF_DvdCopy",
     "The output profile of the first video copies the original streams unchanged (\"COPY\"), which cannot be used "
     "here. Please choose another output profile."},
    {"INF_ErrorAdd", "%d file(s) could not be added because they are not supported or cannot be read:\n%s"},
    {"INF_ErrorAddFile",
     "%d file(s) added. %d file(s) could not be added because they are not supported or cannot be read:\n%s"},
    {"INF_FolderInvalid", "The chosen folder contains no supported video files or DVD files."},
    {"INF_InvalidDir", "The output folder is not a valid path. The default output folder has been restored."},
    {"INF_LackTask", "No video is checked. Please check at least one video in the list to convert it."},
    {"INF_MainDiscError",
     "The output folder does not exist and cannot be created. Please choose another output folder."},
    {"INF_MainMergeInf", "Please select at least two videos to merge them into one."},
    {"INF_MainSlideInf", "Please select at least two videos to build a slide show from them."},
    {"INF_NoSpace",
     "There is not enough free space on the drive of the output folder. Please free some space or choose another "
     "output folder."},
    {"INF_UnCss", "This DVD is copy-protected (CSS) and cannot be loaded."},
    {"INF_Select_File",
     "No DVD title was found (%d added, %d failed). Please select the first file of a title set (VTS_xx_0.IFO), a "
     "DVD folder or an ISO image.\n%s"},
    {"INF_ApplyToAllHint",
     "Apply the customized settings of the selected video (output profile and Flash player settings) to all other "
     "videos in the list?"},
    {"INF_ApplyToAllEffectHint",
     "Apply the effect settings (brightness, contrast, saturation, color effect and deinterlacing) to all other "
     "videos in the list?"},
    {"INF_ApplyToAllWatermarkHint", "Apply the watermark to all other videos in the list?"},
    {"INF_SelectIn_Folder", "Select the folder whose video files you want to add:"},
    {"INF_Select_Folder", "Please select a folder:"},
    {"INF_Folder_UnExists", "The chosen folder does not exist. Please choose another folder."},
    {"IFO_Filter", "DVD IFO files (*.IFO)|*.IFO; *.ifo"},
    {"ISO_Filter", "DVD ISO images (*.ISO)|*.iso; *.ISO"},
    {"INF_1Channel", "%d channel (mono)"},
    {"INF_2Channel", "%d channels (stereo)"},
    {"INF_nChannel", "%d channels"},
    {"Info_Title", "Information"},
    // The clip dialog.
    {"INF_ClipSegment", "Clip"},
    {"INF_DisplayTotalSegment", "Title (%d clips)"},
    {"INF_Starttime_Big", "The start time must lie before the end of the video. The previous start time is kept."},
    {"INF_Endtime_Big",
     "The end time must lie after the start time and not beyond the end of the video. It has been corrected."},
    {"INF_SaveClipTaskInfo", "The clips have been changed. Do you want to keep the changes?"},
    // The Customize dialog.
    {"INF_HyperlinkBeginError",
     "A web address must begin with “http://” or “https://”. Please correct the address or leave the field empty."},
    {"INF_PlayerMinWidthError",
     "A player skin needs a video width of at least 300 pixels. Please enter a larger width or choose no skin."},
    {"INF_URLExternalVariableError",
     "Please enter the name of the URL variable that passes the FLV path to the player."},
    {"INF_F4VMinWidthHeightError",
     "For F4V output the video can be at most 1280 x 720 pixels. Please reduce the width or height."},
    {"INF_F4VToExternalError",
     "F4V video cannot be embedded in the SWF file. Please let the player play the created external file, or get its path from a URL variable."},
    {"INF_F4VNeedPlayer10Error",
     "F4V video needs Flash Player 10 or later. The installed Flash Player is older, so the result may not play here until it is updated."},
    {"INF_Reso_Error",
     "The width must lie between 80 and 1920 pixels and the height between 80 and 1280 pixels."},
    {"INF_Frame_Erro",
     "The frame rate must be at least 12 frames per second."},
    {"INF_SAVE_PROFILE_CAPTION",
     "Save Profile"},
    {"INF_SAVE_PROFILE_PROMPT",
     "Name of the new profile:"},
    {"INF_WatermarkPicError",
     "The picture cannot be loaded. Please choose another picture file."},
    {"VF_AudioFilter",
     "All supported audio formats|*.mp3; *.wav; *.m4a; *.mka; *.wma; *.aac; *.ac3; *.ape; *.ogg;|MP3 files (*.mp3)|*.mp3|WAV files (*.wav)|*.wav|WMA files (*.wma)|*.wma|M4A files (*.m4a)|*.m4a|MKA files (*.mka)|*.mka|AAC files (*.aac)|*.aac|AC3 files (*.ac3)|*.ac3|APE files (*.ape)|*.ape|OGG files (*.ogg)|*.ogg"},
    {"VF_SwfPicFilter",
     "All supported pictures|*.jpg; *.jpeg; *.png; *.bmp; *.gif;|JPEG pictures (*.jpg; *.jpeg)|*.jpg; *.jpeg|PNG pictures (*.png)|*.png|BMP pictures (*.bmp)|*.bmp|GIF pictures (*.gif)|*.gif"},
};

}  // namespace

std::string_view BuiltInMessageText(std::string_view key) {
  for (const TBuiltInMessage& m : kBuiltInMessages)
    if (key == m.Key) return m.Text;
  return {};
}

std::string MessageText(const TMessage& message) {
  const std::string_view built_in = BuiltInMessageText(message.Key);
  std::vector<TFormatArg> args;
  for (const TMessageArg& arg : message.Args)
    std::visit([&](const auto& v) { args.emplace_back(v); }, arg);
  return FormatWithFallback(GetString(message.Key, built_in), built_in, args);
}

std::string PushRecentProfile(std::string_view recent, int32_t id, size_t max_count) {
  const std::string id_text = std::to_string(id);
  std::string text = id_text;
  size_t count = 1;
  size_t start = 0;
  while (start <= recent.size() && count < max_count) {
    const size_t end = recent.find_first_of(",;", start);
    const std::string_view entry = Trim(recent.substr(start, end == std::string_view::npos ? end : end - start));
    if (!entry.empty() && entry != id_text) {
      text += "," + std::string(entry);
      ++count;
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return text;
}

}  // namespace fc::gui
