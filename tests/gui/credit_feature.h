#pragma once
// Flash settings with a white text credit, as the Customize tests start from.

#include "flash/swf_feature.h"

namespace fc::gui::test {

inline TSwfFeature TextCreditFeature(int32_t font_size, int32_t x, int32_t y) {
  TSwfFeature feature;
  feature.Decorate.IsDecorate = true;
  feature.Text.Visible = true;
  feature.Text.Content = "Flarecast";
  feature.Text.FontSize = font_size;
  feature.Text.FontColor = 0xFFFFFF;
  feature.Text.X = x;
  feature.Text.Y = y;
  return feature;
}

}  // namespace fc::gui::test
