// The 18 title animations. Every animation is a run of steps: a step places the title's lines
// (or characters) at their depths with a position, scale, rotation or colour, ends one or more
// frames, and removes what it placed, so that the next step starts on a clean frame. The last
// step of a title stays on screen into the frame that moves the main movie on.
//
// Phases that share the frames of a title take whole parts of them and the last phase takes
// what is left, so a title always lasts round(rate) * Time frames. A phase of a single step
// shows its end position.
#include "flash/title_animations.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <random>

#include "core/text.h"
#include "flash/swf_creator.h"
#include "movie/flash_font.h"
#include "movie/flash_image.h"
#include "movie/flash_movie.h"
#include "movie/flash_shape.h"
#include "movie/flash_sprite.h"
#include "movie/flash_text.h"

namespace fc {
namespace {

constexpr int32_t kMaxDepth = 0xFFFF;
constexpr int32_t kLineDepthStep = 1000;  // line k uses the depths k * 1000 + 1 ...
constexpr int32_t kBackgroundDepth = 0;
constexpr const char* kLineSeparator = "#13";

// Rounding to nearest, halves to even.
int32_t Round(double v) { return static_cast<int32_t>(std::nearbyint(v)); }

// Where step s of n lies between the start (0) and the end (1) of a phase: (s - 1) / (n - 1).
double Rising(int s, int n) { return n <= 1 ? 1.0 : double(s - 1) / (n - 1); }
// The same counted from the end: (n - s) / (n - 1), 1 at the first step and 0 at the last.
double Falling(int s, int n) { return n <= 1 ? 0.0 : double(n - s) / (n - 1); }
// The alpha addition of a fade-in over n steps: fully transparent at the first step, opaque
// from the middle on.
int32_t FadeIn(int s, int n) { return n <= 1 ? 0 : -Round(double(n - 2 * s) / (n - 1) * 255); }

// The title being drawn: its font, lines and measures, and the steps it ends.
class TTitle {
public:
  TTitle(const TDTextEffect& effect, TFlashMovie& movie)
      : Frames(TitleFrames(movie.GetFrameRate(), effect.Time)), movie_(movie) {
    W = movie.GetWidth();
    H = movie.GetHeight();
    font_ = movie.AddFont(SystemFontOf(effect), false);
    color_ = SwfColor(effect.FontColor);
    font_color_ = ColorToRGB(effect.FontColor);
    for (const std::string& line : TitleLines(effect.Content)) Lines.push_back(Utf8ToUtf16(line));
    N = static_cast<int32_t>(Lines.size());
    for (const std::u16string& line : Lines) {
      const TTextExtent extent = font_->MeasureText(std::u16string_view(line));
      MaxW = std::max(MaxW, extent.Width / 20);
      MaxH = std::max(MaxH, extent.Height / 20);
    }
    // Lines follow each other at the font's height, so they never overlap.
    MaxH = std::max(MaxH, 1);
    if (Frames >= 0xFFFF)
      throw TitleTooLongError(Format("the title lasts %d frames: a title holds at most 65534 and the frame that ends it",
                                     Frames));
    if (N * kLineDepthStep > kMaxDepth)
      throw TitleTooLongError(Format("the title has %d lines: a title holds at most %d", N, kMaxDepth / kLineDepthStep));
    DrawBackground(effect);
    X0 = W < MaxW ? 0 : Round((W - MaxW) / 2.0);
    Y0 = H < N * MaxH ? 0 : Round((H - N * MaxH) / 2.0);
  }

  const int32_t Frames;  // T: the frames of the whole title
  int32_t W = 0, H = 0;  // the frame, pixels
  std::vector<std::u16string> Lines;
  int32_t N = 0;               // lines
  int32_t MaxW = 0, MaxH = 0;  // the widest line and the line height, pixels
  int32_t X0 = 0, Y0 = 0;      // the centred block's top left

  int32_t LineY(int k) const { return k * MaxH; }  // line k below the block's top
  int32_t BlockHeight() const { return N * MaxH; }
  // The top of line k in a centred block (may lie above the frame for a tall block).
  int32_t CentredY(int k) const { return Round((H - BlockHeight()) / 2.0) + LineY(k); }
  TColor FontColor() const { return font_color_; }

  // Places line k of step s at (x, y); null for an empty line, which shows nothing.
  TFlashPlaceObject* PlaceLine(int k, int s, int32_t x, int32_t y) {
    if (Lines[k].empty()) return nullptr;
    TFlashPlaceObject* place = Place(LineText(k), k * kLineDepthStep + s, x, y);
    placed_.push_back(place->Tag.Depth);
    return place;
  }
  // Places a single character at `depth`; it stays unless `removed` with the step.
  TFlashPlaceObject* PlaceChar(char16_t c, int32_t depth, int32_t x, int32_t y, bool removed) {
    TFlashPlaceObject* place = Place(CharText(c), depth, x, y);
    if (removed) placed_.push_back(place->Tag.Depth);
    return place;
  }
  // Width of a character in twips.
  int32_t CharWidth(char16_t c) {
    auto [it, added] = char_widths_.try_emplace(c, 0);
    if (added) it->second = font_->MeasureText(std::u16string_view(&c, 1)).Width;
    return it->second;
  }

  // Ends `frames` frames (none for 0) and removes what the step placed, unless the step ends
  // the title: its objects stay into the frame that follows.
  void EndStep(int frames) {
    if (frames > 0) {
      movie_.ShowFrame(frames);
      ended_ += frames;
    }
    if (ended_ >= Frames) return;
    for (const int32_t depth : placed_) movie_.RemoveObject(depth);
    placed_.clear();
  }
  int32_t Ended() const { return ended_; }

private:
  TFlashPlaceObject* Place(TFlashText* text, int32_t depth, int32_t x, int32_t y) {
    if (depth < 1 || depth > kMaxDepth)
      throw TitleTooLongError(Format("the title needs the depth %d: depths end at %d", depth, kMaxDepth));
    TFlashPlaceObject* place = movie_.PlaceObject(text, depth);
    place->SetPosition(x, y);
    return place;
  }
  // Each line and each character is defined once and placed again at every step.
  TFlashText* LineText(int k) {
    auto [it, added] = line_texts_.try_emplace(k, nullptr);
    if (added) it->second = Define(Utf16ToUtf8(Lines[k]));
    return it->second;
  }
  TFlashText* CharText(char16_t c) {
    auto [it, added] = char_texts_.try_emplace(c, nullptr);
    if (added) it->second = Define(Utf16ToUtf8(std::u16string(1, c)));
    return it->second;
  }
  TFlashText* Define(const std::string& text) {
    if (movie_.NextID > kMaxCharacterID)
      throw TitleTooLongError("the title needs more character IDs than a movie has");
    return movie_.AddText(text, color_, font_, 0, 0);
  }

  // The background colour under the picture, in one sprite at the background's depth.
  void DrawBackground(const TDTextEffect& effect) {
    TFlashSprite* background = movie_.AddSprite();
    TFlashShape* fill = movie_.AddRectangle(TRect{0, 0, W, H});
    const TColor rgb = ColorToRGB(effect.BGColor);
    fill->AddSolidFill(TSWFRGB(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF), 255);
    background->PlaceObject(fill, 1);
    const std::filesystem::path picture = effect.BGPictureName;
    std::error_code ec;
    // The picture is a JPEG or BMP named so (the extension compared as written).
    if (!effect.BGPictureName.empty() && std::filesystem::is_regular_file(picture, ec) &&
        (picture.extension() == ".jpg" || picture.extension() == ".bmp")) {
      TFlashImage* image = movie_.AddImage(picture);
      TFlashShape* shape = movie_.AddRectangle(TRect{0, 0, W, H});
      shape->AddImageFill(*image, TFlashShape::kImageStretched);
      background->PlaceObject(shape, 2);
    }
    background->ShowFrame();
    movie_.PlaceObject(background, kBackgroundDepth);
  }

  TFlashMovie& movie_;
  TFlashFont* font_ = nullptr;
  TColor color_ = 0;
  TColor font_color_ = 0;
  std::map<int, TFlashText*> line_texts_;
  std::map<char16_t, TFlashText*> char_texts_;
  std::map<char16_t, int32_t> char_widths_;
  std::vector<int32_t> placed_;  // depths of the step being built
  int32_t ended_ = 0;
};

void SetAlphaAdd(TFlashPlaceObject* place, int32_t add) {
  if (place) place->ColorTransform().SetAddA(add);
}

// Replaces the text's colour by `rgb` (0x00BBGGRR): multiply by 0, add the colour.
void SetColor(TFlashPlaceObject* place, TColor rgb) {
  if (!place) return;
  TSWFColorTransform& c = place->ColorTransform();
  c.SetMultR(0);
  c.SetMultG(0);
  c.SetMultB(0);
  c.SetAddR(rgb & 0xFF);
  c.SetAddG((rgb >> 8) & 0xFF);
  c.SetAddB((rgb >> 16) & 0xFF);
}

void SetScale(TFlashPlaceObject* place, double scale) {
  if (place) place->SetScale(static_cast<float>(scale), static_cast<float>(scale));
}

// Steps of `length` frames over the whole title; the last step takes what is left.
struct TFixedSteps {
  int32_t Count = 0, Length = 0, LastLength = 0;
  TFixedSteps(int32_t frames, int32_t length) : Length(length) {
    if (frames <= 0) return;
    Count = std::max(1, frames / length);
    LastLength = frames - length * (Count - 1);
  }
  int32_t FramesOf(int s) const { return s == Count ? LastLength : Length; }
};

// A share of the title's frames for a first phase; the second phase takes the rest.
int32_t Share(double fraction, int32_t frames) { return std::clamp(Round(fraction * frames), 0, frames); }

// --- the animations ------------------------------------------------------------------------

void Fade(const TDTextEffect& effect, TFlashMovie& movie) {
  TTitle t(effect, movie);
  for (int s = 1; s <= t.Frames; ++s) {
    for (int k = 0; k < t.N; ++k) SetAlphaAdd(t.PlaceLine(k, s, t.X0, t.Y0 + t.LineY(k)), FadeIn(s, t.Frames));
    t.EndStep(1);
  }
}

// The characters of the title in order, each with its line, its place in the line and its
// offset from the line's start (twips).
struct TTitleChar {
  int Line = 0, Index = 0;
  char16_t Code = 0;
  int32_t Offset = 0;
};

std::vector<TTitleChar> TitleChars(TTitle& t) {
  std::vector<TTitleChar> chars;
  for (int k = 0; k < t.N; ++k) {
    // Character i of line k takes the depth k * 1000 + i + 1.
    if (t.Lines[k].size() >= static_cast<size_t>(kLineDepthStep))
      throw TitleTooLongError(Format("line %d of the title is longer than %d characters", k + 1, kLineDepthStep - 1));
    int32_t offset = 0;
    for (size_t i = 0; i < t.Lines[k].size(); ++i) {
      const char16_t c = t.Lines[k][i];
      chars.push_back({k, static_cast<int>(i), c, offset});
      offset += t.CharWidth(c);
    }
  }
  return chars;
}

// Characters that appear one by one: T frames shared out, the last characters one frame
// longer when they do not divide evenly. `show` places character j.
template <typename Show>
void OneByOne(TTitle& t, const std::vector<TTitleChar>& chars, Show show) {
  const int32_t count = static_cast<int32_t>(chars.size());
  const int32_t q = t.Frames / count, r = t.Frames % count;
  for (int32_t j = 0; j < count; ++j) {
    show(chars[j]);
    t.EndStep(j < count - r ? q : q + 1);
  }
}

// An empty title types one blank.
std::vector<TTitleChar> TypedChars(TTitle& t) {
  std::vector<TTitleChar> chars = TitleChars(t);
  if (chars.empty()) chars.push_back({0, 0, u' ', 0});
  return chars;
}

void TypeWriter(const TDTextEffect& effect, TFlashMovie& movie) {
  TTitle t(effect, movie);
  OneByOne(t, TypedChars(t), [&](const TTitleChar& c) {
    t.PlaceChar(c.Code, c.Line * kLineDepthStep + c.Index + 1, t.X0 + c.Offset / 20, t.Y0 + t.LineY(c.Line), false);
  });
}

void Target(const TDTextEffect& effect, TFlashMovie& movie) {
  TTitle t(effect, movie);
  const int32_t x = t.X0;
  OneByOne(t, TypedChars(t), [&](const TTitleChar& c) {
    const int32_t y = t.H < t.BlockHeight() ? t.LineY(c.Line) : t.CentredY(c.Line);
    const int32_t depth = c.Line * kLineDepthStep + c.Index + 1;
    t.PlaceChar(c.Code, depth, x + c.Offset / 20, y, false);
    // A double-size copy beside it for the character's own frames.
    SetScale(t.PlaceChar(c.Code, depth + kLineDepthStep, x + c.Offset / 20 + 10, y, true), 2.0);
  });
}

void MoveDown(const TDTextEffect& effect, TFlashMovie& movie) {
  TTitle t(effect, movie);
  const double b = t.BlockHeight();
  const int32_t n1 = Share(b / (b + t.H), t.Frames), n2 = t.Frames - n1;
  for (int s = 1; s <= n1; ++s) {
    for (int k = 0; k < t.N; ++k)
      SetAlphaAdd(t.PlaceLine(k, s, t.X0, t.LineY(k) - Round(t.N * double(n1 - s) / n1 * t.MaxH)),
                  -Round((n1 - 1.5 * s) / n1 * 255));
    t.EndStep(1);
  }
  for (int s = 1; s <= n2; ++s) {
    for (int k = 0; k < t.N; ++k)
      t.PlaceLine(k, s, t.X0, (t.H >= b ? Round(Rising(s, n2) * t.H) : 0) + t.LineY(k));
    t.EndStep(1);
  }
}

void MoveUp(const TDTextEffect& effect, TFlashMovie& movie) {
  TTitle t(effect, movie);
  const double b = t.BlockHeight();
  const int32_t n1 = Share(t.H / (b + t.H), t.Frames), n2 = t.Frames - n1;
  for (int s = 1; s <= n1; ++s) {
    const int32_t alpha = n1 <= 1 ? 0 : -Round((n1 - 1.5 * s) / (n1 - 1) * 255);
    for (int k = 0; k < t.N; ++k)
      SetAlphaAdd(t.PlaceLine(k, s, t.X0, Round(double(n1 - s) / n1 * t.H) + t.LineY(k)), alpha);
    t.EndStep(1);
  }
  for (int s = 1; s <= n2; ++s) {
    for (int k = 0; k < t.N; ++k)
      t.PlaceLine(k, s, t.X0, t.LineY(k) - (t.H >= b ? Round(t.N * double(s - 1) / n2 * t.MaxH) : 0));
    t.EndStep(1);
  }
}

// The vertical place of line k in the horizontal moves: centred, or from the top when the
// block is taller than the frame.
int32_t MoveY(const TTitle& t, int k) { return t.H < t.BlockHeight() ? t.LineY(k) : t.CentredY(k); }

void MoveLeft(const TDTextEffect& effect, TFlashMovie& movie) {
  TTitle t(effect, movie);
  const int32_t n1 = Share(double(t.W) / (t.W + t.MaxW), t.Frames), n2 = t.Frames - n1;
  for (int s = 1; s <= n1; ++s) {
    for (int k = 0; k < t.N; ++k)
      SetAlphaAdd(t.PlaceLine(k, s, Round(Falling(s, n1) * t.W), MoveY(t, k)), FadeIn(s, n1));
    t.EndStep(1);
  }
  for (int s = 1; s <= n2; ++s) {
    for (int k = 0; k < t.N; ++k) t.PlaceLine(k, s, -Round(Rising(s, n2) * t.MaxW), MoveY(t, k));
    t.EndStep(1);
  }
}

void MoveRight(const TDTextEffect& effect, TFlashMovie& movie) {
  TTitle t(effect, movie);
  const int32_t n1 = Share(double(t.MaxW) / (t.W + t.MaxW), t.Frames), n2 = t.Frames - n1;
  for (int s = 1; s <= n1; ++s) {
    for (int k = 0; k < t.N; ++k)
      SetAlphaAdd(t.PlaceLine(k, s, -Round(Falling(s, n1) * t.MaxW), MoveY(t, k)), FadeIn(s, n1));
    t.EndStep(1);
  }
  for (int s = 1; s <= n2; ++s) {
    for (int k = 0; k < t.N; ++k) t.PlaceLine(k, s, Round(Rising(s, n2) * t.W), MoveY(t, k));
    t.EndStep(1);
  }
}

void MoveLeftBottom(const TDTextEffect& effect, TFlashMovie& movie) {
  TTitle t(effect, movie);
  const double b = t.BlockHeight();
  const double f = t.W < t.MaxW ? double(t.W) / (t.W + t.MaxW) : t.H / (b + t.H);
  const int32_t n1 = Share(f, t.Frames), n2 = t.Frames - n1;
  for (int s = 1; s <= n1; ++s) {
    for (int k = 0; k < t.N; ++k)
      SetAlphaAdd(t.PlaceLine(k, s, Round(Falling(s, n1) * t.W),
                              Round(Rising(s, n1) * t.H) - t.BlockHeight() + t.LineY(k)),
                  FadeIn(s, n1));
    t.EndStep(1);
  }
  for (int s = 1; s <= n2; ++s) {
    for (int k = 0; k < t.N; ++k)
      t.PlaceLine(k, s, -Round(double(s - 1) / n2 * t.MaxW),
                  Round(b * (s - 1) / n2) + t.H - t.BlockHeight() + t.LineY(k));
    t.EndStep(1);
  }
}

// ZoomIn, ZoomOut and Rotate: T steps fading in at the centred place, scaled (the block from
// its top left corner, so that the lines keep apart) or turned.
void FadeInPlace(const TDTextEffect& effect, TFlashMovie& movie, double (*scale_of)(int s, int n),
                 bool rotate) {
  TTitle t(effect, movie);
  for (int s = 1; s <= t.Frames; ++s) {
    const double scale = scale_of ? scale_of(s, t.Frames) : 1.0;
    for (int k = 0; k < t.N; ++k) {
      TFlashPlaceObject* place = t.PlaceLine(k, s, t.X0, t.Y0 + Round(scale * t.LineY(k)));
      if (!place) continue;
      if (scale_of) SetScale(place, scale);
      if (rotate) place->SetRotation(static_cast<float>(Round(Rising(s, t.Frames) * 360)));
      place->ColorTransform().SetAddA(FadeIn(s, t.Frames));
    }
    t.EndStep(1);
  }
}

void ZoomIn(const TDTextEffect& effect, TFlashMovie& movie) { FadeInPlace(effect, movie, Rising, false); }

void ZoomOut(const TDTextEffect& effect, TFlashMovie& movie) {
  FadeInPlace(effect, movie, [](int s, int n) { return Falling(s, n) + 1; }, false);
}

void Rotate(const TDTextEffect& effect, TFlashMovie& movie) { FadeInPlace(effect, movie, nullptr, true); }

// The clock seeds the colours, so every build of a title looks a little different.
std::mt19937 ClockSeededRandom() {
  return std::mt19937(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
}

TColor RandomColor(std::mt19937& random) {
  std::uniform_int_distribution<int> channel(0, 254);
  const TColor r = channel(random), g = channel(random), b = channel(random);
  return r | g << 8 | b << 16;
}

// Steps of 8 frames, each line in a new colour; the last step in the font colour.
void RandomLineColor(const TDTextEffect& effect, TFlashMovie& movie) {
  TTitle t(effect, movie);
  std::mt19937 random = ClockSeededRandom();
  const TFixedSteps steps(t.Frames, 8);
  for (int s = 1; s <= steps.Count; ++s) {
    const TColor color = s == steps.Count ? t.FontColor() : RandomColor(random);
    for (int k = 0; k < t.N; ++k) SetColor(t.PlaceLine(k, s, t.X0, t.Y0 + t.LineY(k)), color);
    t.EndStep(steps.FramesOf(s));
  }
}

// Steps of 6 frames, each character in a colour of its own; the last step in the font colour.
void RandomCharColor(const TDTextEffect& effect, TFlashMovie& movie) {
  TTitle t(effect, movie);
  std::mt19937 random = ClockSeededRandom();
  const std::vector<TTitleChar> chars = TitleChars(t);
  const TFixedSteps steps(t.Frames, 6);
  for (int s = 1; s <= steps.Count; ++s) {
    for (const TTitleChar& c : chars) {
      const TColor color = s == steps.Count ? t.FontColor() : RandomColor(random);
      SetColor(t.PlaceChar(c.Code, c.Line * kLineDepthStep + c.Index + 1, t.X0 + c.Offset / 20,
                           t.Y0 + t.LineY(c.Line), true),
               color);
    }
    t.EndStep(steps.FramesOf(s));
  }
}

// ScrollUp and ScrollDown: a quarter of the time fading in at one edge, then the scroll.
void Scroll(const TDTextEffect& effect, TFlashMovie& movie, bool up) {
  TTitle t(effect, movie);
  const int32_t fade = t.Frames / 4, scroll = t.Frames - fade;
  const int32_t x = (t.W - t.MaxW) / 2;
  const int32_t top = up ? t.H - t.BlockHeight() : 0;
  for (int s = 1; s <= fade; ++s) {
    for (int k = 0; k < t.N; ++k)
      SetAlphaAdd(t.PlaceLine(k, s, x, top + t.LineY(k)), -Round(Falling(s, fade) * 255));
    t.EndStep(1);
  }
  for (int s = 1; s <= scroll; ++s) {
    const int32_t shift = Round(Rising(s, scroll) * t.H);
    for (int k = 0; k < t.N; ++k) t.PlaceLine(k, s, x, top + t.LineY(k) + (up ? -shift : shift));
    t.EndStep(1);
  }
}

void ScrollUp(const TDTextEffect& effect, TFlashMovie& movie) { Scroll(effect, movie, true); }
void ScrollDown(const TDTextEffect& effect, TFlashMovie& movie) { Scroll(effect, movie, false); }

// Three phases: entering (or fading in), a hold of a quarter of the time, leaving (or
// shrinking); entering and leaving share the rest, leaving takes the odd frame.
struct TThreePhases {
  int32_t Enter = 0, Hold = 0, Leave = 0;
  explicit TThreePhases(int32_t frames) {
    Hold = frames / 4;
    Enter = (frames - Hold) / 2;
    Leave = frames - Hold - Enter;
  }
};

// Where a leaving step s of n lies: s / (n - 1), past the end by the last step.
double Leaving(int s, int n) { return n <= 1 ? 1.0 : double(s) / (n - 1); }

// ScrollLeft and ScrollRight: enter from beyond one edge, hold in the centre, leave beyond the
// other edge. (Moving by the text's width alone would leave a centred text half on screen.)
void ScrollAcross(const TDTextEffect& effect, TFlashMovie& movie, bool left) {
  TTitle t(effect, movie);
  const TThreePhases phases(t.Frames);
  const int32_t x0 = t.X0;
  const int32_t to_left = x0 + t.MaxW;  // from the centre to beyond the left edge
  const int32_t to_right = t.W - x0;    // from the centre to beyond the right edge
  const auto step = [&](int s, int32_t x) {
    for (int k = 0; k < t.N; ++k) t.PlaceLine(k, s, x, t.CentredY(k));
    t.EndStep(1);
  };
  int s = 0;
  for (int i = 1; i <= phases.Enter; ++i) {
    const double rest = Falling(i, phases.Enter);
    step(++s, left ? x0 + Round(rest * to_right) : x0 - Round(rest * to_left));
  }
  for (int i = 1; i <= phases.Hold; ++i) step(++s, x0);
  for (int i = 1; i <= phases.Leave; ++i) {
    const double gone = Leaving(i, phases.Leave);
    step(++s, left ? x0 - Round(gone * to_left) : x0 + Round(gone * to_right));
  }
}

void ScrollLeft(const TDTextEffect& effect, TFlashMovie& movie) { ScrollAcross(effect, movie, true); }
void ScrollRight(const TDTextEffect& effect, TFlashMovie& movie) { ScrollAcross(effect, movie, false); }

// Fade in, hold, then shrink towards the block's top left corner until it vanishes.
void EZoomOut(const TDTextEffect& effect, TFlashMovie& movie) {
  TTitle t(effect, movie);
  const TThreePhases phases(t.Frames);
  int s = 0;
  for (int i = 1; i <= phases.Enter; ++i) {
    ++s;
    for (int k = 0; k < t.N; ++k)
      SetAlphaAdd(t.PlaceLine(k, s, t.X0, t.CentredY(k)), -Round(Falling(i, phases.Enter) * 255));
    t.EndStep(1);
  }
  for (int i = 1; i <= phases.Hold; ++i) {
    ++s;
    for (int k = 0; k < t.N; ++k) t.PlaceLine(k, s, t.X0, t.CentredY(k));
    t.EndStep(1);
  }
  const int32_t top = t.CentredY(0);
  for (int i = 1; i <= phases.Leave; ++i) {
    ++s;
    const double scale = Falling(i, phases.Leave);
    for (int k = 0; k < t.N; ++k) SetScale(t.PlaceLine(k, s, t.X0, top + Round(scale * t.LineY(k))), scale);
    t.EndStep(1);
  }
}

constexpr TTextEffect kTextEffects[] = {
    {"Fade", Fade, "Fade"},
    {"TypeWriter", TypeWriter, "TypeWriter"},
    {"MoveDown", MoveDown, "MoveDown"},
    {"MoveUp", MoveUp, "MoveUp"},
    {"MoveLeft", MoveLeft, "MoveLeft"},
    {"MoveRight", MoveRight, "MoveRight"},
    {"MoveLeftBottom", MoveLeftBottom, "MoveLeftBottom"},
    {"ZoomIn", ZoomIn, "ZoomIn"},
    {"ZoomOut", ZoomOut, "ZoomOut"},
    {"Rotate", Rotate, "Rotate"},
    {"Target", Target, "Target"},
    {"RandomColor2", RandomCharColor, "RandomColor2"},
    {"RandomColor", RandomLineColor, "RandomColor"},
    {"ScrollUp", ScrollUp, "ScrollUp"},
    {"ScrollDown", ScrollDown, "ScrollDown"},
    {"ScrollLeft", ScrollLeft, "ScrollLeft"},
    {"EZoomOut", EZoomOut, "EZoomOut"},
    {"ScrollRight", ScrollRight, "ScrollRight"},
};

}  // namespace

std::span<const TTextEffect> TextEffects() { return kTextEffects; }

const TTextEffect* FindTextEffect(std::string_view id) {
  for (const TTextEffect& effect : kTextEffects)
    if (effect.ID == id) return &effect;
  return nullptr;
}

int32_t TitleFrames(double frame_rate, int32_t time) {
  const long rate = std::lround(frame_rate);
  if (rate < 1 || time < 1) return 0;
  return static_cast<int32_t>(std::min<long long>(static_cast<long long>(rate) * time, INT32_MAX));
}

std::vector<std::string> TitleLines(const std::string& content) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t at; (at = content.find(kLineSeparator, start)) != std::string::npos; start = at + 3)
    lines.push_back(content.substr(start, at - start));
  lines.push_back(content.substr(start));
  return lines;
}

int32_t DrawTitle(const TDTextEffect& effect, TFlashMovie& movie) {
  const TTextEffect* entry = FindTextEffect(effect.NameID);
  const int before = movie.FrameCount;
  if (entry) {
    entry->Proc(effect, movie);
  } else {
    // A title without animation still lasts its time, over its background.
    TTitle t(effect, movie);
    t.EndStep(t.Frames);
  }
  return movie.FrameCount - before;
}

}  // namespace fc
