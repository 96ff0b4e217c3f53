#pragma once
// Runs one of the built programs as a separate process, the way a user would, and captures
// its exit code, standard output and standard error.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fc::test {

struct ProgramResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// `program` is a path; `env` holds "NAME=value" words put before the command.
inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                                const std::string& scratch_folder, const std::string& env = "") {
  std::string command = env + " " + ShellQuote(program);
  for (const std::string& a : args) command += " " + ShellQuote(a);
  const std::string out = scratch_folder + "/stdout.txt", err = scratch_folder + "/stderr.txt";
  command += " >" + ShellQuote(out) + " 2>" + ShellQuote(err) + " </dev/null";
  const int status = std::system(command.c_str());
  ProgramResult r;
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = Slurp(out);
  r.err = Slurp(err);
  return r;
}

}  // namespace fc::test
