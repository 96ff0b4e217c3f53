#pragma once
// Test media made at test time with the ffmpeg tool (lavfi testsrc2 and sine), and a small
// ffprobe reader. Tests that need the tools skip when they are not installed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/av_util.h"

namespace fc::test {

bool HaveTool(const std::string& name);

// Runs a shell command; true on exit code 0.
bool Run(const std::string& command);

// A folder of generated media shared by the tests of one binary (removed at exit).
const std::filesystem::path& MediaDir();

// Generates (once per name) a clip: `video` is a lavfi video source description or "" for
// none, `audio` likewise; `args` are the output options. Returns the path.
std::string MakeMedia(const std::string& name, const std::string& video, const std::string& audio,
                      const std::string& args);

// The usual clip: 3 s, 320x240 at 25 fps H.264 with a keyframe every 2 s, 44.1 kHz mono AAC.
std::string StandardClip();

struct Probe {
  std::vector<std::map<std::string, std::string>> streams;
  std::map<std::string, std::string> format;
  const std::map<std::string, std::string>* Stream(const std::string& type) const;
  double Duration() const;
};

// ffprobe's view of a file (empty when ffprobe fails).
Probe ProbeFile(const std::string& path);

// Frames for sources made in memory, with buffers to fill in: 16-bit interleaved samples, and
// YUV 4:2:0 pictures.
TFramePtr S16Frame(int sample_rate, int channels, int samples);
TFramePtr Yuv420Frame(int width, int height);

// Output of a command (stdout and stderr).
std::string Capture(const std::string& command, int* exit_code = nullptr);

}  // namespace fc::test

#define FC_REQUIRE_FFMPEG()                                                        \
  do {                                                                             \
    if (!fc::test::HaveTool("ffmpeg") || !fc::test::HaveTool("ffprobe"))           \
      GTEST_SKIP() << "the ffmpeg and ffprobe tools are not installed";            \
  } while (0)
