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

// The methods of MovieClip in Flash Player 8.
constexpr std::string_view kMovieClipMethods[] = {
    "attachAudio", "attachBitmap", "attachMovie", "beginBitmapFill", "beginFill", "beginGradientFill", "clear",
    "createEmptyMovieClip", "createTextField", "curveTo", "duplicateMovieClip", "endFill", "getBounds",
    "getBytesLoaded", "getBytesTotal", "getDepth", "getInstanceAtDepth", "getNextHighestDepth", "getRect",
    "getSWFVersion", "getTextSnapshot", "getURL", "globalToLocal", "gotoAndPlay", "gotoAndStop", "hitTest",
    "lineGradientStyle", "lineStyle", "lineTo", "loadMovie", "loadVariables", "localToGlobal", "moveTo",
    "nextFrame", "play", "prevFrame", "removeMovieClip", "setMask", "startDrag", "stop", "stopDrag",
    "swapDepths", "unloadMovie",
};

}  // namespace

bool IsMovieClipMethod(std::string_view name) {
  for (std::string_view method : kMovieClipMethods)
    if (method == name) return true;
  return false;
}

int ClipPropertyIndex(const std::string& name) {
  const std::string lower = ToLowerAscii(name);
  for (size_t i = 0; i < std::size(kProperties); ++i)
    if (kProperties[i] == lower) return static_cast<int>(i);
  return -1;
}

}  // namespace fc
