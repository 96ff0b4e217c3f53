#include "player_harness.h"

#include <png.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"

namespace fc::test {

namespace {

namespace fs = std::filesystem;

const char* const kInstallHint = "run scripts/install-deps.sh to install the Flash player harness";

fs::path RunnerScript() { return FLARECAST_PLAYER_RUNNER; }

// The harness's npm packages live beside the runner.
fs::path RunnerPackages() { return RunnerScript().parent_path() / "node_modules"; }

std::string NodeProgram() { return FLARECAST_NODE; }

std::string ChromiumProgram() {
  const char* env = std::getenv("FLARECAST_CHROMIUM");
  return env && *env ? env : "/usr/bin/chromium";
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Running the harness

std::string ShellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw Error("cannot run: " + command);
  std::array<char, 4096> buffer{};
  size_t n = 0;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
    if (output) output->append(buffer.data(), n);
  }
  const int status = pclose(pipe);
  if (status < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

fs::path ProgramDir() { return FLARECAST_PROGRAM_DIR; }

fs::path ScratchDir(const std::string& name) {
  const fs::path dir = fs::path(FLARECAST_PLAYER_SCRATCH) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string PlayerUnavailableReason() {
  if (!fs::exists(RunnerScript())) return "the runner " + RunnerScript().string() + " is missing";
  if (!fs::exists(RunnerPackages() / "@ruffle-rs" / "ruffle") || !fs::exists(RunnerPackages() / "playwright-core")) {
    return Format("the npm packages of the player harness are not installed in %s; %s", RunnerPackages().c_str(),
                  kInstallHint);
  }
  if (RunCommand(ShellQuote(NodeProgram()) + " --version >/dev/null 2>&1") != 0) {
    return Format("node (%s) does not run; %s", NodeProgram().c_str(), kInstallHint);
  }
  if (!fs::exists(ChromiumProgram())) {
    return Format("Chromium (%s) is not installed; %s", ChromiumProgram().c_str(), kInstallHint);
  }
  return {};
}

std::vector<PlayResult> PlaySwfs(const std::vector<fs::path>& files, const PlayOptions& options) {
  if (files.empty()) return {};
  if (const std::string why = PlayerUnavailableReason(); !why.empty()) throw Error("Flash player harness: " + why);
  std::string command = ShellQuote(NodeProgram()) + " " + ShellQuote(RunnerScript().string()) + " --json";
  command += options.ms ? Format(" --ms %d", *options.ms) : Format(" --frames %d", options.frames);
  command += Format(" --timeout %d", options.timeout_ms);
  if (!options.screenshot_dir.empty()) command += " --screenshot-dir " + ShellQuote(options.screenshot_dir.string());
  for (const PlayOptions::Click& c : options.clicks) command += Format(" --click %d,%d@%d", c.x, c.y, c.after_frame);
  for (const fs::path& f : files) command += " " + ShellQuote(f.string());

  std::string output;
  const int code = RunCommand(command, &output);
  std::vector<PlayResult> results;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (Trim(line).empty()) continue;
    PlayResult r = ParseReportLine(line);
    results.push_back(std::move(r));
  }
  // Exit code 1 only means that some movie failed, which its result says. Anything else,
  // or a missing result, is a fault of the harness.
  if ((code != 0 && code != 1) || results.size() != files.size()) {
    throw Error(Format("Flash player harness failed (exit code %d, %zu of %zu results); run by hand: %s", code,
                       results.size(), files.size(), command.c_str()));
  }
  return results;
}

// ---------------------------------------------------------------------------------------
// PNG

Image DecodePng(const std::vector<uint8_t>& bytes) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  // libpng's simplified reader turns every colour type and depth into 8-bit RGBA.
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
    throw FormatError(std::string("PNG: ") + png.message);
  png.format = PNG_FORMAT_RGBA;
  if (png.width == 0 || png.height == 0 || png.width > 16384 || png.height > 16384) {
    png_image_free(&png);
    throw FormatError("PNG: bad size");
  }
  Image img;
  img.width = static_cast<int>(png.width);
  img.height = static_cast<int>(png.height);
  img.rgba.resize(PNG_IMAGE_SIZE(png));
  // finish_read frees the image's resources, also when it fails.
  if (!png_image_finish_read(&png, nullptr, img.rgba.data(), 0, nullptr))
    throw FormatError(std::string("PNG: ") + png.message);
  return img;
}

Image ReadPng(const fs::path& file) { return DecodePng(ReadFileBytes(file)); }

double PixelDifference(const Image& a, const Image& b, int tolerance) {
  if (a.width != b.width || a.height != b.height) return 1.0;
  const size_t pixels = static_cast<size_t>(a.width) * a.height;
  if (pixels == 0) return 0.0;
  size_t differing = 0;
  for (size_t i = 0; i < pixels; ++i) {
    for (size_t c = 0; c < 4; ++c) {
      if (std::abs(int{a.rgba[i * 4 + c]} - int{b.rgba[i * 4 + c]}) > tolerance) {
        ++differing;
        break;
      }
    }
  }
  return static_cast<double>(differing) / static_cast<double>(pixels);
}

// ---------------------------------------------------------------------------------------
// Report lines

PlayResult ParseReportLine(const std::string& line) {
  nlohmann::json v;
  try {
    v = nlohmann::json::parse(line);
  } catch (const nlohmann::json::parse_error& e) {
    throw FormatError(std::string("harness report line: ") + e.what());
  }
  if (!v.is_object()) throw FormatError("harness report line: not a JSON object");
  const auto text = [&](const char* key) {
    const auto it = v.find(key);
    return it != v.end() && it->is_string() ? it->get<std::string>() : std::string();
  };
  const auto number = [&](const char* key) {
    const auto it = v.find(key);
    return it != v.end() && it->is_number() ? it->get<double>() : 0.0;
  };
  PlayResult r;
  r.file = text("file");
  r.error = text("error");
  r.screenshot = text("screenshot");
  r.frame_rate = number("frameRate");
  r.width = static_cast<int>(number("width"));
  r.height = static_cast<int>(number("height"));
  if (const auto trace = v.find("trace"); trace != v.end() && trace->is_array())
    for (const auto& item : *trace) r.trace.push_back(item.is_string() ? item.get<std::string>() : item.dump());
  return r;
}

}  // namespace fc::test
