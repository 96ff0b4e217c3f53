#include "gui/font_dialog.h"

#include <QColorDialog>
#include <QFont>
#include <QFontDialog>

#include <algorithm>

namespace fc::gui {

QFont ToQFont(const TMediaTaskFont& f) {
  QFont font(QString::fromStdString(f.Name));
  font.setPointSize(std::max(1, f.Size));
  font.setBold(f.Style & kTextBold);
  font.setItalic(f.Style & kTextItalic);
  font.setUnderline(f.Style & kTextUnderline);
  font.setStrikeOut(f.Style & kTextStrikeOut);
  return font;
}

std::optional<TMediaTaskFont> AskFont(QWidget* parent, const TMediaTaskFont& current) {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, ToQFont(current), parent);
  if (!ok) return std::nullopt;
  TMediaTaskFont chosen;
  chosen.Name = font.family().toStdString();
  chosen.Size = font.pointSize() > 0 ? font.pointSize() : current.Size;
  chosen.Style = (font.bold() ? kTextBold : 0) | (font.italic() ? kTextItalic : 0) |
                 (font.underline() ? kTextUnderline : 0) | (font.strikeOut() ? kTextStrikeOut : 0);
  const QColor color = QColorDialog::getColor(QColor::fromRgb(current.Color), parent);
  chosen.Color = color.isValid() ? (color.rgb() & 0xFFFFFFu) : current.Color;
  return chosen;
}

}  // namespace fc::gui
