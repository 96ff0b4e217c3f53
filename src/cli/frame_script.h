#pragma once
// Compiling a script file into a movie's frame, shared by the commands that build movies from
// ActionScript (as compile, flash template).

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.h"

namespace fc {
class TFlashMovie;
}

namespace fc::cli {

// `options` followed by the -I and --classpath folders that CompileFrameScript reads.
std::vector<TOptionSpec> WithScriptFolderOptions(std::vector<TOptionSpec> options);

// A name script can use as it stands: letters, digits, "_" and "$", not starting with a digit.
bool IsScriptIdentifier(std::string_view name);

// Compiles `text` (the content of `file`) into the frame being built of `movie`, with the
// include folders of -I and the class folders of --classpath from `args`; the classes it uses
// go into init-action sprites written in front of the frame's actions. Compile errors are
// thrown as ReportedError, each as FILE:LINE:COLUMN: error: MESSAGE with the source line.
// Gives the number of classes compiled.
size_t CompileFrameScript(TFlashMovie& movie, const TArgs& args, const std::filesystem::path& file,
                          const std::string& text);

}  // namespace fc::cli
