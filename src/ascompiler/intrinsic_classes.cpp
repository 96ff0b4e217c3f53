// The classes the Flash Player provides itself; their class files only declare them.
#include <span>
#include <string>
#include <string_view>

#include "ascompiler/ident_table.h"
#include "core/text.h"

namespace fc {
namespace {

constexpr std::string_view kIntrinsicClasses[] = {
    "toplevel", "Accessibility", "Array", "AsBroadcaster", "Boolean", "Button", "Camera", "Color",
    "ContextMenu", "ContextMenuItem", "CustomActions", "Date", "Enumeration", "Error", "File", "FontName",
    "Function", "FunctionArguments", "Key", "LoadVars", "LocalConnection", "Math", "Microphone", "Mouse",
    "MovieClip", "MovieClipLoader", "NetConnection", "NetStream", "Number", "Object", "ObjectID", "PrintJob",
    "Selection", "SharedObject", "Sound", "Stage", "String", "System", "System.capabilities",
    "System.security", "TextField", "TextField.StyleSheet", "TextFormat", "TextSnapshot", "URI", "Video",
    "XML", "XMLNode", "XMLSocket", "XMLUI", "flash.display.BitmapData", "flash.external.ExternalInterface",
    "flash.filters.BevelFilter", "flash.filters.BitmapFilter", "flash.filters.BlurFilter",
    "flash.filters.ColorMatrixFilter", "flash.filters.ConvolutionFilter", "flash.filters.DisplacementMapFilter",
    "flash.filters.DropShadowFilter", "flash.filters.GlowFilter", "flash.filters.GradientBevelFilter",
    "flash.filters.GradientGlowFilter", "flash.geom.ColorTransform", "flash.geom.Matrix", "flash.geom.Point",
    "flash.geom.Rectangle", "flash.geom.Transform", "flash.net.FileReference", "flash.net.FileReferenceList",
    "flash.text.TextRenderer", "System.IME", "mx.core.ComponentVersion", "mx.video.ComponentVersion",
    "mx.video.MediaComponentVersion", "mx.transitions.Version",
};
static_assert(std::size(kIntrinsicClasses) == 75);

// Intrinsic classes whose plain call is the player's conversion function (Boolean(x) gives a
// boolean, Array(1, 2) an array), not a cast: a cast would give null for most values.
constexpr std::string_view kConversionFunctions[] = {"Array", "Boolean", "Date", "Function", "Number", "Object",
                                                     "String"};

bool Listed(std::span<const std::string_view> names, std::string_view name) {
  for (std::string_view known : names)
    if (IEquals(known, name)) return true;
  return false;
}

}  // namespace

bool IsIntrinsicClass(std::string_view name) { return Listed(kIntrinsicClasses, name); }

bool IsConversionFunction(std::string_view name) { return Listed(kConversionFunctions, name); }

void DeclareIntrinsicClasses(TClassTable& table, TStringTable& strings) {
  for (std::string_view name : kIntrinsicClasses)
    table.DeclareClass(strings.Intern(std::string(name)))->ClassFlags = kClassIntrinsic;
}

}  // namespace fc
