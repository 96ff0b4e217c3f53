#pragma once
// Field-by-field comparison of a task's edit parameters, for the edit dialog's model and
// window tests: the first difference as text, or "" when the records are the same.

#include <sstream>
#include <string>

#include "tasks/media_task.h"

namespace fc::test {

inline std::string EditDifference(const TMediaTaskEditParams& a, const TMediaTaskEditParams& b) {
  std::ostringstream out;
  const auto check = [&out](const char* name, const auto& x, const auto& y) {
    if (out.tellp() == 0 && !(x == y)) out << name << " differs";
  };
  const auto font = [&check](const char* name, const TMediaTaskFont& x, const TMediaTaskFont& y) {
    check(name, x.Name, y.Name);
    check(name, x.Size, y.Size);
    check(name, x.Color, y.Color);
    check(name, x.Style, y.Style);
  };
  check("UserScaleMode", a.UserScaleMode, b.UserScaleMode);
  check("Deinterlace", a.Deinterlace, b.Deinterlace);
  check("Contrast", a.Contrast, b.Contrast);
  check("EffectFlags", a.EffectFlags, b.EffectFlags);
  check("Saturation", a.Saturation, b.Saturation);
  check("Brightness", a.Brightness, b.Brightness);
  check("FlipHorizontal", a.FlipHorizontal, b.FlipHorizontal);
  check("FlipVertical", a.FlipVertical, b.FlipVertical);
  check("Crop", a.Crop, b.Crop);
  check("Volume", a.Volume, b.Volume);
  check("Mute", a.Mute, b.Mute);
  const TMediaTaskWatermark &w = a.Watermark, &v = b.Watermark;
  check("Watermark.Enabled", w.Enabled, v.Enabled);
  check("Watermark.X", w.X, v.X);
  check("Watermark.Y", w.Y, v.Y);
  check("Watermark.Kind", w.Kind, v.Kind);
  check("Watermark.Width", w.Width, v.Width);
  check("Watermark.Height", w.Height, v.Height);
  check("Watermark.Transparency", w.Transparency, v.Transparency);
  check("Watermark.Text", w.Text, v.Text);
  check("Watermark.ImageFile", w.ImageFile, v.ImageFile);
  font("Watermark.Font", w.Font, v.Font);
  check("Watermark.Image.Width", w.Image.Width(), v.Image.Width());
  check("Watermark.Image.Height", w.Image.Height(), v.Image.Height());
  check("Watermark.Image.Bits", w.Image.Bits(), v.Image.Bits());
  const TMediaTaskSubtitle &s = a.Subtitle, &t = b.Subtitle;
  check("Subtitle.Enabled", s.Enabled, t.Enabled);
  check("Subtitle.X", s.X, t.X);
  check("Subtitle.Y", s.Y, t.Y);
  check("Subtitle.Transparency", s.Transparency, t.Transparency);
  check("Subtitle.Kind", s.Kind, t.Kind);
  check("Subtitle.Style", s.Style, t.Style);
  font("Subtitle.Font", s.Font, t.Font);
  return out.str();
}

}  // namespace fc::test
