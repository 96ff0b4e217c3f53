#pragma once
// Player tests make their movies with flarecast-cli, the way a user does.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "player_harness.h"

namespace fc::test {

// Runs flarecast-cli with `arguments` (shell words, quoted by the caller) and expects success.
inline void Cli(const std::string& arguments) {
  const std::string command = ShellQuote((ProgramDir() / "flarecast-cli").string()) + " " + arguments;
  ASSERT_EQ(RunCommand(command), 0) << command;
}

// A path as one shell word.
inline std::string Q(const std::filesystem::path& path) { return ShellQuote(path.string()); }

}  // namespace fc::test
