#pragma once
// A colour choice: a button showing the colour that opens the colour dialog. Colours are the
// Flash settings' TColor (0x00BBGGRR; system colours resolved when shown).

#include <QPushButton>

#include "flash/swf_feature.h"

namespace fc::gui {

QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

class TColorButton : public QPushButton {
  Q_OBJECT

public:
  explicit TColorButton(QWidget* parent = nullptr);

  TColor Color() const { return color_; }
  // Shows the colour; ColorChanged only for a different one.
  void SetColor(TColor color);

signals:
  void ColorChanged();

private:
  void Choose();

  TColor color_ = 0;
};

}  // namespace fc::gui
