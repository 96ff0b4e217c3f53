#pragma once
// Movie-clip properties by number, as GetProperty/SetProperty and Flash 4 slash paths
// ("/clip:_x") address them.

#include <string>

namespace fc {

// The property's number (case-insensitive name), or -1 when the name is no property.
int ClipPropertyIndex(const std::string& name);

}  // namespace fc
