#pragma once
// Helpers for the reader tests: byte builders for small synthetic files, and real files made
// at test time by the installed media tools (tests skip cleanly when a tool is missing).

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fc::test {

struct Bytes {
  std::vector<uint8_t> v;
  Bytes& u8(uint32_t x) { v.push_back(static_cast<uint8_t>(x)); return *this; }
  Bytes& be16(uint32_t x) { return u8(x >> 8).u8(x); }
  Bytes& be24(uint32_t x) { return u8(x >> 16).u8(x >> 8).u8(x); }
  Bytes& be32(uint32_t x) { return u8(x >> 24).u8(x >> 16).u8(x >> 8).u8(x); }
  Bytes& le16(uint32_t x) { return u8(x).u8(x >> 8); }
  Bytes& le32(uint32_t x) { return u8(x).u8(x >> 8).u8(x >> 16).u8(x >> 24); }
  Bytes& str(const std::string& s) { v.insert(v.end(), s.begin(), s.end()); return *this; }
  Bytes& raw(const std::vector<uint8_t>& b) { v.insert(v.end(), b.begin(), b.end()); return *this; }
  Bytes& zeros(size_t n) { v.resize(v.size() + n, 0); return *this; }
  size_t size() const { return v.size(); }
};

// A fresh folder under the system temp folder, removed with the object.
class TempDir {
public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "fc-readers-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
  std::filesystem::path path_;
};

inline bool HaveTool(const std::string& tool) {
  return std::system(("command -v " + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command quietly; true when it exited with 0.
inline bool Run(const std::string& command) { return std::system((command + " > /dev/null 2>&1").c_str()) == 0; }

// Output of a shell command (stdout only).
inline std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

// Makes a file with ffmpeg ("-y -loglevel error" added); skips the test when ffmpeg is missing
// or cannot make it (an encoder left out of this build).
#define FC_FFMPEG_OR_SKIP(args, output)                                                   \
  do {                                                                                    \
    if (!::fc::test::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";       \
    if (!::fc::test::Run(std::string("ffmpeg -nostdin -y -loglevel error ") + (args) + " " + \
                         (output).string()))                                              \
      GTEST_SKIP() << "ffmpeg could not make " << (output);                               \
  } while (0)

}  // namespace fc::test

namespace fc::test {

// ImageMagick's convert, by a name that a stand-in script on the PATH cannot shadow; empty
// when ImageMagick is not installed.
inline std::string ImageMagick() {
  for (const char* tool : {"convert-im6.q16", "convert-im7.q16", "magick"})
    if (HaveTool(tool)) return tool;
  if (Capture("convert -version 2>/dev/null").find("ImageMagick") != std::string::npos) return "convert";
  return {};
}

}  // namespace fc::test
