#pragma once
// The Flash output options shared by "flash build" and "convert": they change the Flash
// settings (TSwfFeature) that the settings file gave.

#include <vector>

#include "cli/command.h"

namespace fc {
class TSwfFeature;
struct TDTextEffect;
}

namespace fc::cli {

// A command's own options followed by the Flash options.
std::vector<TOptionSpec> WithFlashOptions(std::vector<TOptionSpec> options);
// Applies the options present in `args`; throws UsageError for a bad value.
void ApplyFlashOptions(const TArgs& args, TSwfFeature& feature);

// The options of a title screen, named "--" + prefix + "anim", "--" + prefix + "text", ...
// ("flash title" uses them without a prefix, the Flash options with "head-" and "tail-").
std::vector<TOptionSpec> TitleOptions(const std::string& prefix, const std::string& which);
// Applies the title options present; an animation makes the title visible. Throws UsageError
// for a bad value (an animation that does not exist, a time outside 0..300 seconds).
void ApplyTitleOptions(const TArgs& args, const std::string& prefix, TDTextEffect& title);

}  // namespace fc::cli
