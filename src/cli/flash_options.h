#pragma once
// (stand-in until the Flash options land)
#include <vector>
#include "cli/command.h"
#include "flash/swf_feature.h"
namespace fc::cli {
std::vector<TOptionSpec> FlashOptionSpecs();
void ApplyFlashOptions(const TArgs& args, TSwfFeature& feature);
}
