// Plays SWF files in a real Flash player (Ruffle in headless Chromium, driven by
// tools/player/play-swf.mjs) so that tests can check what movies trace and show.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fc::test {

struct PlayOptions {
  // Frames to run (each a fixed step of movie time, so runs repeat exactly).
  int frames = 10;
  // When set, movie time in milliseconds instead of frames.
  std::optional<int> ms;
  // When set, a PNG of the stage after the last frame lands in this folder, one per file.
  std::filesystem::path screenshot_dir;
  // Wall-clock limit per file.
  int timeout_ms = 60000;
  // Clicks on the stage (pixels) after the given frame, in every file.
  struct Click {
    int x = 0;
    int y = 0;
    int after_frame = 0;
  };
  std::vector<Click> clicks;
};

struct PlayResult {
  std::filesystem::path file;
  std::vector<std::string> trace;  // the trace() lines, exactly
  std::string error;               // empty when the movie played
  std::filesystem::path screenshot;
  double frame_rate = 0;
  int width = 0;
  int height = 0;

  bool ok() const { return error.empty(); }
};

// Plays every file in one browser session and gives one result per file, in order. Throws
// fc::Error when the harness itself cannot run (not installed, browser does not start); the
// message says to run scripts/install-deps.sh.
std::vector<PlayResult> PlaySwfs(const std::vector<std::filesystem::path>& files, const PlayOptions& options = {});

// Why the harness cannot run on this machine, or an empty string when it can.
std::string PlayerUnavailableReason();

// The program folder (flarecast-cli and its data) and a scratch folder for a test's files.
std::filesystem::path ProgramDir();
std::filesystem::path ScratchDir(const std::string& name);

// Runs a command line through the shell; gives its exit code and, when asked, its stdout.
int RunCommand(const std::string& command, std::string* output = nullptr);
// Quotes one argument for the shell.
std::string ShellQuote(const std::string& text);

// A decoded 8-bit RGBA image (what the harness's PNG screenshots hold).
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
};

// Reads a PNG of any colour type and depth as 8-bit RGBA. Throws fc::FormatError for broken
// data.
Image ReadPng(const std::filesystem::path& file);
Image DecodePng(const std::vector<uint8_t>& bytes);

// The share of pixels (0..1) whose channels differ by more than `tolerance`; images of
// different sizes differ completely.
double PixelDifference(const Image& a, const Image& b, int tolerance = 8);

// One line of the runner's --json report.
PlayResult ParseReportLine(const std::string& line);

}  // namespace fc::test
