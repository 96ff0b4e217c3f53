#pragma once
// Movie-clip properties by number, as GetProperty/SetProperty and Flash 4 slash paths
// ("/clip:_x") address them.

#include <string>
#include <string_view>

namespace fc {

// The property's number (case-insensitive name), or -1 when the name is no property.
int ClipPropertyIndex(const std::string& name);

// Whether `name` (exact case) is a method of the player's MovieClip class, which a method of a
// class extending MovieClip calls on `this` when it calls it by its bare name.
bool IsMovieClipMethod(std::string_view name);

}  // namespace fc
