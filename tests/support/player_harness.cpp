#include "player_harness.h"

#include <png.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>

#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"

namespace fc::test {

namespace {

namespace fs = std::filesystem;

const char* const kInstallHint = "run scripts/install-deps.sh to install the Flash player harness";

fs::path RunnerScript() { return FLARECAST_PLAYER_RUNNER; }
fs::path PageRunnerScript() { return RunnerScript().parent_path() / "play-page.mjs"; }

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
  for (const PlayOptions::Move& m : options.moves) command += Format(" --move %d,%d@%d", m.x, m.y, m.after_frame);
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

TPageResult PlayPage(const std::string& url, const TPageOptions& options) {
  if (const std::string why = PlayerUnavailableReason(); !why.empty()) throw Error("Flash player harness: " + why);
  std::string command = ShellQuote(NodeProgram()) + " " + ShellQuote(PageRunnerScript().string()) + " --json";
  command += Format(" --ms %d --timeout %d", options.Ms, options.TimeoutMs);
  for (const auto& [ms, file] : options.Shots) {
    command += options.PageOnly ? " --screenshot " + ShellQuote(file.string())
                                : " --shot " + ShellQuote(Format("%d:", ms) + file.string());
  }
  if (options.PageOnly) command += " --page-only";
  if (options.RealTime) command += " --real-time";
  command += " " + ShellQuote(url);
  std::string output;
  const int code = RunCommand(command, &output);
  const size_t start = output.find('{');
  if ((code != 0 && code != 1) || start == std::string::npos) {
    throw Error(Format("Flash player harness failed (exit code %d); run by hand: %s", code, command.c_str()));
  }
  return ParsePageReportLine(output.substr(start));
}

// ---------------------------------------------------------------------------------------
// The program's own server

TServedFolder::TServedFolder(const fs::path& folder, const std::vector<std::string>& extra_args) {
  const std::string program = (ProgramDir() / "flarecast-cli").string();
  std::vector<std::string> words = {program, "serve", folder.string(), "--port", "0"};
  words.insert(words.end(), extra_args.begin(), extra_args.end());
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) throw Error("cannot make a pipe for the server");
  const pid_t pid = fork();
  if (pid < 0) throw Error("cannot start " + program);
  if (pid == 0) {
    dup2(pipe_ends[1], STDOUT_FILENO);
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  pid_ = pid;
  close(pipe_ends[1]);
  // What it prints up to the line that says how to stop it; the rest is not read.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (printed_.find("Ctrl-C") == std::string::npos && std::chrono::steady_clock::now() < until) {
    pollfd readable{pipe_ends[0], POLLIN, 0};
    if (poll(&readable, 1, 200) <= 0) continue;
    char buffer[1024];
    const ssize_t n = read(pipe_ends[0], buffer, sizeof buffer);
    if (n <= 0) break;
    printed_.append(buffer, static_cast<size_t>(n));
  }
  close(pipe_ends[0]);
  std::smatch match;
  if (!std::regex_search(printed_, match, std::regex(R"( at (http://127\.0\.0\.1:[0-9]+/))"))) {
    Stop();
    throw Error("flarecast-cli serve did not say where it serves: " + printed_);
  }
  url_ = match[1];
}

TServedFolder::~TServedFolder() { Stop(); }

int TServedFolder::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGINT);
    int status = 0;
    if (waitpid(pid_, &status, 0) == pid_) exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid_ = -1;
  }
  return exit_code_;
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

namespace {

// The fields of one JSON report line of a runner; absent or mistyped fields read as empty.
class TReportLine {
public:
  explicit TReportLine(const std::string& line) {
    try {
      v_ = nlohmann::json::parse(line);
    } catch (const nlohmann::json::parse_error& e) {
      throw FormatError(std::string("harness report line: ") + e.what());
    }
    if (!v_.is_object()) throw FormatError("harness report line: not a JSON object");
  }
  std::string Text(const char* key) const {
    const auto it = v_.find(key);
    return it != v_.end() && it->is_string() ? it->get<std::string>() : std::string();
  }
  double Number(const char* key) const {
    const auto it = v_.find(key);
    return it != v_.end() && it->is_number() ? it->get<double>() : 0.0;
  }
  bool Flag(const char* key) const {
    const auto it = v_.find(key);
    return it != v_.end() && it->is_boolean() && it->get<bool>();
  }
  std::vector<std::string> Texts(const char* key) const {
    std::vector<std::string> out;
    if (const auto it = v_.find(key); it != v_.end() && it->is_array())
      for (const auto& item : *it) out.push_back(item.is_string() ? item.get<std::string>() : item.dump());
    return out;
  }

private:
  nlohmann::json v_;
};

}  // namespace

PlayResult ParseReportLine(const std::string& line) {
  const TReportLine v(line);
  PlayResult r;
  r.file = v.Text("file");
  r.error = v.Text("error");
  r.screenshot = v.Text("screenshot");
  r.frame_rate = v.Number("frameRate");
  r.width = static_cast<int>(v.Number("width"));
  r.height = static_cast<int>(v.Number("height"));
  r.trace = v.Texts("trace");
  return r;
}

TPageResult ParsePageReportLine(const std::string& line) {
  const TReportLine v(line);
  TPageResult r;
  r.Url = v.Text("url");
  r.Loaded = v.Flag("loaded");
  r.Trace = v.Texts("trace");
  r.Error = v.Text("error");
  for (const std::string& shot : v.Texts("screenshots")) r.Screenshots.emplace_back(shot);
  r.ConsoleErrors = v.Texts("consoleErrors");
  r.HttpErrors = v.Texts("httpErrors");
  r.Text = v.Text("text");
  r.Element = v.Text("element");
  r.FrameRate = v.Number("frameRate");
  r.Width = static_cast<int>(v.Number("width"));
  r.Height = static_cast<int>(v.Number("height"));
  return r;
}

}  // namespace fc::test
