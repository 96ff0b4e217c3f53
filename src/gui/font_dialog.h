#pragma once
// The font choice of the dialogs that draw text (the watermark, the credit, the title
// screens): a font dialog, then a colour dialog for the text's colour. Windows hold it as a
// TFontChooser so that tests answer instead of the dialogs.

#include <functional>
#include <optional>

#include "tasks/media_task.h"

class QFont;
class QWidget;

namespace fc::gui {

// Asks for a font (and its colour) starting from `font`; nothing when cancelled.
using TFontChooser = std::function<std::optional<TMediaTaskFont>(QWidget* parent, const TMediaTaskFont& font)>;

// The real dialogs.
std::optional<TMediaTaskFont> AskFont(QWidget* parent, const TMediaTaskFont& current);

QFont ToQFont(const TMediaTaskFont& font);

}  // namespace fc::gui
