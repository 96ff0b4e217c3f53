#include "readers/font_match.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <mutex>

#include "core/error.h"

namespace fc {
namespace {

struct TPatternDeleter { void operator()(FcPattern* p) const { FcPatternDestroy(p); } };
using TPatternPtr = std::unique_ptr<FcPattern, TPatternDeleter>;

void InitFontconfig() {
  static std::once_flag once;
  // A failed start throws, and the next lookup tries again.
  std::call_once(once, [] {
    if (!FcInit()) throw Error("fontconfig could not be initialised");
  });
}

std::string StringOf(const FcPattern* pattern, const char* object) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || !value) return {};
  return reinterpret_cast<const char*>(value);
}

}  // namespace

std::optional<TFontMatch> MatchFont(const std::string& family, bool bold, bool italic) {
  InitFontconfig();
  const TPatternPtr pattern(FcPatternCreate());
  if (!pattern) throw Error("out of memory for a font pattern");
  FcPatternAddString(pattern.get(), FC_FAMILY,
                     reinterpret_cast<const FcChar8*>(family.empty() ? "sans-serif" : family.c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  const TPatternPtr found(FcFontMatch(nullptr, pattern.get(), &result));
  if (!found) return std::nullopt;
  TFontMatch match;
  match.FilePath = StringOf(found.get(), FC_FILE);
  match.Family = StringOf(found.get(), FC_FAMILY);
  int index = 0;
  if (FcPatternGetInteger(found.get(), FC_INDEX, 0, &index) == FcResultMatch) match.FaceIndex = index;
  int slant = FC_SLANT_ROMAN;
  if (FcPatternGetInteger(found.get(), FC_SLANT, 0, &slant) == FcResultMatch) match.Slanted = slant != FC_SLANT_ROMAN;
  FcBool embolden = FcFalse;
  if (FcPatternGetBool(found.get(), FC_EMBOLDEN, 0, &embolden) == FcResultMatch) match.Embolden = embolden == FcTrue;
  return match;
}

}  // namespace fc
