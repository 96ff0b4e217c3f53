#include "cli/swf_toolbox.h"

#include "core/text.h"
#include "movie/flash_movie.h"

namespace fc::cli {

namespace {
constexpr TFrameSize kSmallestStage{1, 1};
constexpr TFrameSize kLargestStage{8191, 8191};  // as "as compile" takes
}  // namespace

const char* const kToolboxDetails =
    "Movie options: -o names the movie (replaced only when writing succeeded); --fps and\n"
    "--size set the frame rate and stage size in pixels; --swf-version asks for a version\n"
    "(raised when the content needs more); --compress writes a zlib-compressed movie (version 6\n"
    "or later).";

std::vector<TOptionSpec> ToolboxOptions(std::vector<TOptionSpec> own) {
  std::vector<TOptionSpec> options = {
      {"-o", "OUT.swf", "the movie to write"},
      {"--fps", "RATE", "frame rate of the movie, above 0 and below 256"},
      {"--size", "WxH", "stage size in pixels, 1x1 to 8191x8191"},
      {"--swf-version", "N", "SWF version to write (1 to 43; raised when the content needs more)"},
      {"--compress", "", "write a zlib-compressed movie"}};
  options.insert(options.end(), own.begin(), own.end());
  return options;
}

TToolboxSettings ReadToolboxSettings(const TArgs& args, const std::string& command) {
  TToolboxSettings settings;
  const std::optional<std::string> output = args.get("-o");
  if (!output) throw UsageError(command + " needs -o OUT.swf");
  settings.Output = *output;
  settings.FrameRate = FrameRateValue(args, "--fps", 0.01, 255.99);
  settings.Size = SizeValue(args, "--size", kSmallestStage, kLargestStage);
  settings.Version = IntValue(args, "--swf-version", 1, 43);
  settings.Compress = args.Has("--compress");
  return settings;
}

std::unique_ptr<TFlashMovie> MakeToolboxMovie(const TToolboxSettings& settings, TFrameSize default_size,
                                              double default_frame_rate) {
  const TFrameSize size = settings.Size.value_or(default_size);
  const double rate = settings.FrameRate.value_or(default_frame_rate);
  auto movie = std::make_unique<TFlashMovie>(0, 0, size.Width, size.Height, static_cast<float>(rate), true);
  if (settings.Compress) movie->SetCompressed(true);
  if (settings.Version) movie->SetVersion(static_cast<uint8_t>(*settings.Version));
  return movie;
}

void SaveToolboxMovie(TFlashMovie& movie, const TToolboxSettings& settings, const std::string& what,
                      std::ostream& out) {
  movie.Save(settings.Output);
  out << Format("%s: %s; %u frames, version %u, %u bytes\n", settings.Output.c_str(), what.c_str(), movie.FrameCount,
                movie.Version(), movie.FileLength);
}

}  // namespace fc::cli
