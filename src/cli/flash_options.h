#pragma once
// The Flash output options shared by "flash build" and "convert": they change the Flash
// settings (TSwfFeature) that the settings file gave.

#include <vector>

#include "cli/command.h"

namespace fc {
class TSwfFeature;
}

namespace fc::cli {

// A command's own options followed by the Flash options.
std::vector<TOptionSpec> WithFlashOptions(std::vector<TOptionSpec> options);
// Applies the options present in `args`; throws UsageError for a bad value.
void ApplyFlashOptions(const TArgs& args, TSwfFeature& feature);

}  // namespace fc::cli
