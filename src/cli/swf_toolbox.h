#pragma once
// What every command of the SWF toolbox ("swf video", "swf picture", "swf text", "swf sound",
// "swf shapes") shares: the movie options (-o, --fps, --size, --swf-version, --compress), the
// movie they make and the summary line after saving. Each command adds its own options and
// content between MakeToolboxMovie and SaveToolboxMovie.

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/option_values.h"

namespace fc {
class TFlashMovie;
}

namespace fc::cli {

struct TToolboxSettings {
  std::string Output;                 // -o, required
  std::optional<double> FrameRate;    // --fps
  std::optional<TFrameSize> Size;     // --size, pixels
  std::optional<int32_t> Version;     // --swf-version
  bool Compress = false;              // --compress
};

// The shared options followed by the command's own.
std::vector<TOptionSpec> ToolboxOptions(std::vector<TOptionSpec> own);
// The help lines about the shared options, appended to a command's Details.
extern const char* const kToolboxDetails;

// Reads the shared options; throws UsageError for a missing -o or a bad value.
TToolboxSettings ReadToolboxSettings(const TArgs& args, const std::string& command);

// A movie in pixels of the given size and rate (the options win over the defaults), the
// version asked for (5 when none) and compression.
std::unique_ptr<TFlashMovie> MakeToolboxMovie(const TToolboxSettings& settings, TFrameSize default_size,
                                              double default_frame_rate);

// Saves the movie to settings.Output and prints "OUT: WHAT; N frames, version V, B bytes".
void SaveToolboxMovie(TFlashMovie& movie, const TToolboxSettings& settings, const std::string& what,
                      std::ostream& out);

}  // namespace fc::cli
