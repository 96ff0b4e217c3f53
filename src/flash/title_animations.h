#pragma once
// The title animations of the opening and closing title screens. Each procedure draws a
// title (background colour, optional background picture, lines of text split at "#13") into
// a movie whose frame size, rate and background colour are set, and ends exactly
// round(rate) * Time frames, the rate rounded half away from zero.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "flash/swf_feature.h"

namespace fc {

class TFlashMovie;

using TTextEffectProc = void (*)(const TDTextEffect& effect, TFlashMovie& movie);

struct TTextEffect {
  std::string_view ID;
  TTextEffectProc Proc;
  std::string_view Name;  // the same text as ID
};

// The animations in the order the Customize page lists them.
std::span<const TTextEffect> TextEffects();
// The entry whose ID is `id` (exact, case-sensitive comparison), or null.
const TTextEffect* FindTextEffect(std::string_view id);

// A title that does not fit the format's 16-bit depths, character IDs or frame counts.
class TitleTooLongError : public Error {
public:
  using Error::Error;
};

// The frames a title of `time` seconds lasts at `frame_rate`: round(rate) * time; 0 for a
// time or a rounded rate below 1.
int32_t TitleFrames(double frame_rate, int32_t time);

// The lines of a title, split at every "#13" (an empty line between two separators stays).
std::vector<std::string> TitleLines(const std::string& content);

// Runs the animation named by effect.NameID on the movie; a name not in the table shows the
// background for the title's time. Returns the frames it ended.
int32_t DrawTitle(const TDTextEffect& effect, TFlashMovie& movie);

}  // namespace fc
