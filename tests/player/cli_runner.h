#pragma once
// Player tests make their movies with flarecast-cli (and their sources with ffmpeg), the way a
// user does, and compare what the player shows with what it should.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "player_harness.h"

namespace fc::test {

// Runs a shell command and expects success.
inline void Shell(const std::string& command) { ASSERT_EQ(RunCommand(command), 0) << command; }

// Runs flarecast-cli with `arguments` (shell words, quoted by the caller) and expects success.
inline void Cli(const std::string& arguments) {
  Shell(ShellQuote((ProgramDir() / "flarecast-cli").string()) + " " + arguments);
}

// Peak signal-to-noise ratio over the colour channels, in dB: 0 for pictures of different
// sizes, infinite for equal ones.
inline double Psnr(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height) return 0;
  double sum = 0;
  size_t n = 0;
  for (size_t i = 0; i < a.rgba.size(); i += 4)
    for (size_t c = 0; c < 3; ++c, ++n) {
      const double d = double(a.rgba[i + c]) - double(b.rgba[i + c]);
      sum += d * d;
    }
  return sum == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / (sum / double(n)));
}

// A path as one shell word.
inline std::string Q(const std::filesystem::path& path) { return ShellQuote(path.string()); }

}  // namespace fc::test
