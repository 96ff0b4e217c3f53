#include "ascompiler/clip_properties.h"

#include <iterator>
#include <string_view>

#include "core/text.h"

namespace fc {
namespace {

constexpr std::string_view kProperties[] = {
    "_x", "_y", "_xscale", "_yscale", "_currentframe", "_totalframes", "_alpha", "_visible",
    "_width", "_height", "_rotation", "_target", "_framesloaded", "_name", "_droptarget", "_url",
    "_highquality", "_focusrect", "_soundbuftime", "_quality", "_xmouse", "_ymouse",
};

}  // namespace

int ClipPropertyIndex(const std::string& name) {
  const std::string lower = ToLowerAscii(name);
  for (size_t i = 0; i < std::size(kProperties); ++i)
    if (kProperties[i] == lower) return static_cast<int>(i);
  return -1;
}

}  // namespace fc
