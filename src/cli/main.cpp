#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return fc::cli::RunCli(args, std::cout, std::cerr);
}
