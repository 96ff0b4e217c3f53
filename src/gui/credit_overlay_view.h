#pragma once
// The credit laid over the Customize page's player: the text drawn in its font, or the
// picture in a frame with eight handles. Both are moved with the mouse or the arrow keys
// (Shift: ten pixels), the picture resized by its handles or with Ctrl and the arrow keys.
// Where they lie is TCreditOverlayGeometry's to say; this only shows the rectangles, forwards
// the mouse and writes the result into the settings.

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include "flash/swf_feature.h"
#include "gui/model/credit_overlay.h"

namespace fc::gui {

class TCreditOverlay;

// One overlay on the player: the text or the picture frame.
class TCreditOverlayItem : public QWidget {
  Q_OBJECT

public:
  TCreditOverlayItem(TCreditOverlay& owner, bool resizable, QWidget* player);

  void SetPixmap(const QPixmap& pixmap) {
    pixmap_ = pixmap;
    update();
  }
  void SetRect(const TOverlayRect& rect);
  TOverlayRect Rect() const;

signals:
  // The user moved or resized the overlay (at the end of a drag, or by a key).
  void Moved();

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  // The handle edges under a point of the frame (0: the picture itself).
  uint32_t EdgesAt(const QPoint& at) const;
  void ShowCursorFor(uint32_t edges);

  TCreditOverlay& owner_;
  bool resizable_;
  QPixmap pixmap_;
  bool dragging_ = false;
  uint32_t edges_ = 0;  // the handle being dragged; 0 moves the overlay
  TOverlayRect start_;
  QPoint cursor0_;      // in the player's coordinates
};

class TCreditOverlay : public QObject {
  Q_OBJECT

public:
  // The overlays lie on `player` and edit `feature`'s Text and Image (not owned; both outlive
  // this object).
  TCreditOverlay(TSwfFeature& feature, QWidget* player);
  ~TCreditOverlay() override;

  void ShowText(bool visible);
  void ShowPicture(bool visible);
  // Rebuild from the settings after the text, its font or the picture file changed.
  void ReloadText();
  void ReloadPicture();
  // Writes the overlays' positions (and the picture's size) into the settings.
  void StoreToSettings();

  TCreditOverlayItem* TextItem() const { return text_; }
  TCreditOverlayItem* PictureItem() const { return picture_; }
  // The conversions for the player's current size and the frame's.
  TCreditOverlayGeometry Geometry() const;

signals:
  void Moved();

private:
  // Creates the overlay (filled by `reload`) when it is first shown, then shows or hides it.
  void Show(QPointer<TCreditOverlayItem>& item, bool resizable, void (TCreditOverlay::*reload)(), bool visible);

  TSwfFeature& feature_;
  QPointer<QWidget> player_;
  QPointer<TCreditOverlayItem> text_;
  QPointer<TCreditOverlayItem> picture_;
};

}  // namespace fc::gui
