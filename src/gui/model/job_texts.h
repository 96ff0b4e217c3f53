#pragma once
// The texts and small rules of the job list: column texts, the file-information texts, the
// supported video extensions, and names a user types or a disc gives.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace fc {
class TMediaTask;
}

namespace fc::gui {

// A message for the user: a language key and the arguments its text is formatted with. The
// window looks the text up and formats it; the model never formats language texts itself.
using TMessageArg = std::variant<int64_t, std::string>;
struct TMessage {
  std::string Key;
  std::vector<TMessageArg> Args;
  bool operator==(const TMessage&) const = default;
};

// (The length and size columns use TimeText and SizeText of core/text.h.)
// The estimated-size column: the language text "INF_Unknown" when the source cannot tell,
// else SizeText of the estimate.
std::string EstimatedSizeText(TMediaTask& task);

// The extensions the folder scan and the file chooser take, as one list text
// ("*.avi; *.mp4; ...;").
std::string SupportedVideoExtensionsText();
// True when the file name's extension is in that list (ignoring case).
bool IsSupportedVideoFile(std::string_view path);
// The built-in filter of the file chooser: "All supported Video formats (...)", one entry per
// family, "All files (*)"; each entry "caption|patterns", patterns separated by ";".
std::vector<std::string> VideoFileFilters();

// A name typed by the user or taken from a disc, made safe as a file name stem: path
// separators and control characters become "_", no leading or trailing blanks or dots
// (so never "." or ".."). Empty when nothing usable is left.
std::string SafeFileStem(std::string_view text);

// What the file-information box shows of a task.
struct TFileInformation {
  std::string Title;
  std::string Length;        // hh:mm:ss
  std::string Resolution;    // "%d x %d"; empty without video
  std::string VideoBitrate;  // "%d kbps"
  std::string FrameRate;     // "29.97 fps"
  std::string SampleRate;    // "%d Hz"; empty without audio
  std::string AudioBitrate;  // "%d kbps"
  TMessage Channels;         // "INF_1Channel", "INF_2Channel" or "INF_nChannel" with the count
  bool HasVideo = false, HasAudio = false;
};
TFileInformation FileInformation(TMediaTask& task);

}  // namespace fc::gui

namespace fc::gui {

// The text of a model message in the current language, formatted with its arguments. A
// translation whose directives do not fit the arguments gives the built-in English text
// instead, so a faulty language file never decides how an argument is read.
std::string MessageText(const TMessage& message);
// The built-in English text of a message key, or "" for a key the windows do not know.
std::string_view BuiltInMessageText(std::string_view key);

// The "Profile"/"Recent" text after a profile was chosen: the identifier first, an earlier
// mention of it dropped, at most max_count entries, separated by ",".
std::string PushRecentProfile(std::string_view recent, int32_t id, size_t max_count = 10);

}  // namespace fc::gui
