#include "gui/color_button.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

namespace fc::gui {

QColor ToQColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TColor FromQColor(const QColor& color) {
  return static_cast<TColor>(color.red()) | (static_cast<TColor>(color.green()) << 8) |
         (static_cast<TColor>(color.blue()) << 16);
}

TColorButton::TColorButton(QWidget* parent) : QPushButton(parent) {
  setAutoDefault(false);
  SetColor(0);
  connect(this, &QPushButton::clicked, this, &TColorButton::Choose);
}

void TColorButton::SetColor(TColor color) {
  const bool changed = color != color_;
  color_ = color;
  QPixmap swatch(40, 14);
  swatch.fill(ToQColor(color));
  QPainter(&swatch).drawRect(swatch.rect().adjusted(0, 0, -1, -1));
  setIcon(swatch);
  setIconSize(swatch.size());
  if (changed) emit ColorChanged();
}

void TColorButton::Choose() {
  const QColor chosen = QColorDialog::getColor(ToQColor(color_), this);
  if (chosen.isValid()) SetColor(FromQColor(chosen));
}

}  // namespace fc::gui
