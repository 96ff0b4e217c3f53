#include "media_fixture.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <memory>
#include <sstream>

namespace fc::test {

bool HaveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

std::string Capture(const std::string& command, int* exit_code) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return out;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
  const int status = pclose(pipe);
  if (exit_code) *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

namespace {
struct TempDir {
  std::filesystem::path path;
  TempDir() {
    path = std::filesystem::temp_directory_path() / ("fc_engine_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};
}  // namespace

const std::filesystem::path& MediaDir() {
  static TempDir dir;
  return dir.path;
}

std::string MakeMedia(const std::string& name, const std::string& video, const std::string& audio,
                      const std::string& args) {
  const std::string path = (MediaDir() / name).string();
  if (std::filesystem::exists(path)) return path;
  std::string cmd = "ffmpeg -nostdin -v error -y";
  if (!video.empty()) cmd += " -f lavfi -i \"" + video + "\"";
  if (!audio.empty()) cmd += " -f lavfi -i \"" + audio + "\"";
  cmd += " " + args + " \"" + path + "\"";
  if (!Run(cmd)) ADD_FAILURE() << "could not make test media: " << cmd;
  return path;
}

std::string StandardClip() {
  return MakeMedia("standard.mp4", "testsrc2=size=320x240:rate=25:duration=3",
                   "sine=frequency=440:sample_rate=44100:duration=3",
                   "-c:v libx264 -preset ultrafast -g 50 -pix_fmt yuv420p -c:a aac -ac 1");
}

const std::map<std::string, std::string>* Probe::Stream(const std::string& type) const {
  for (const auto& s : streams) {
    auto it = s.find("codec_type");
    if (it != s.end() && it->second == type) return &s;
  }
  return nullptr;
}

double Probe::Duration() const {
  auto it = format.find("duration");
  return it == format.end() ? 0 : std::atof(it->second.c_str());
}

Probe ProbeFile(const std::string& path) {
  Probe p;
  const std::string text = Capture(
      "ffprobe -v error -show_entries "
      "stream=codec_type,codec_name,width,height,r_frame_rate,avg_frame_rate,sample_rate,channels,nb_frames,duration:"
      "format=duration,format_name -of default \"" + path + "\"");
  std::istringstream in(text);
  std::string line;
  std::map<std::string, std::string>* current = nullptr;
  while (std::getline(in, line)) {
    if (line == "[STREAM]") {
      p.streams.emplace_back();
      current = &p.streams.back();
    } else if (line == "[FORMAT]") {
      current = &p.format;
    } else if (line.rfind("[/", 0) == 0) {
      current = nullptr;
    } else if (current) {
      const auto eq = line.find('=');
      if (eq != std::string::npos) (*current)[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return p;
}

TFramePtr S16Frame(int sample_rate, int channels, int samples) {
  return AllocSamples(AV_SAMPLE_FMT_S16, sample_rate, channels, samples, "test frame");
}

TFramePtr Yuv420Frame(int width, int height) { return AllocPicture(width, height, AV_PIX_FMT_YUV420P, "test frame"); }

}  // namespace fc::test

// fontconfig keeps a few hundred bytes of its own caches unreachable at exit (a known quirk of
// the library, not of the text renderer): LeakSanitizer is told to look past them.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
