#include "gui/credit_overlay_view.h"

#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

#include "gui/color_button.h"

namespace fc::gui {
namespace {

// How far from the frame's edge a handle catches the mouse.
constexpr int kHandleReach = 4;
constexpr int kKeyStep = 1;
constexpr int kShiftKeyStep = 10;

// The text in its font, at the size it has on the preview, on a transparent ground.
QPixmap TextPixmap(const TTextInfo& text, int32_t point_size) {
  QFont font(QString::fromStdString(text.FontName));
  // The movie measures in pixels; points at 96 dots an inch keep it independent of the screen.
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(point_size * 96.0 / 72.0))));
  font.setBold(text.Bold);
  font.setItalic(text.Italic);
  const QString content = QString::fromStdString(text.Content);
  const QFontMetrics metrics(font);
  const QSize size(std::max(1, metrics.horizontalAdvance(content)), std::max(1, metrics.height()));
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setFont(font);
  painter.setPen(ToQColor(text.FontColor));
  painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignLeft | Qt::AlignVCenter, content);
  return pixmap;
}

}  // namespace

// --- One overlay ----------------------------------------------------------------------------

TCreditOverlayItem::TCreditOverlayItem(TCreditOverlay& owner, bool resizable, QWidget* player)
    : QWidget(player), owner_(owner), resizable_(resizable) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_TranslucentBackground);
  setMouseTracking(resizable);
  setCursor(Qt::PointingHandCursor);
}

void TCreditOverlayItem::SetRect(const TOverlayRect& rect) {
  setGeometry(rect.Left, rect.Top, std::max(rect.Width, 1), std::max(rect.Height, 1));
}

TOverlayRect TCreditOverlayItem::Rect() const { return {x(), y(), width(), height()}; }

void TCreditOverlayItem::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!pixmap_.isNull()) painter.drawPixmap(rect(), pixmap_);
  if (!resizable_ && !hasFocus()) return;
  // The frame and its handles: dashed, so that it shows on any picture.
  painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (!resizable_) return;
  painter.setPen(Qt::black);
  painter.setBrush(Qt::white);
  const int w = width() - 1, h = height() - 1, s = kHandleReach;
  for (const QPoint& at : {QPoint(0, 0), QPoint(w / 2, 0), QPoint(w, 0), QPoint(w, h / 2), QPoint(w, h),
                           QPoint(w / 2, h), QPoint(0, h), QPoint(0, h / 2)})
    painter.drawRect(QRect(at - QPoint(s / 2, s / 2), QSize(s, s)).intersected(rect().adjusted(0, 0, -1, -1)));
}

uint32_t TCreditOverlayItem::EdgesAt(const QPoint& at) const {
  if (!resizable_) return 0;
  uint32_t edges = 0;
  if (at.x() < kHandleReach) edges |= kEdgeLeft;
  if (at.x() >= width() - kHandleReach) edges |= kEdgeRight;
  if (at.y() < kHandleReach) edges |= kEdgeTop;
  if (at.y() >= height() - kHandleReach) edges |= kEdgeBottom;
  return edges;
}

void TCreditOverlayItem::ShowCursorFor(uint32_t edges) {
  const bool horizontal = edges & (kEdgeLeft | kEdgeRight), vertical = edges & (kEdgeTop | kEdgeBottom);
  if (horizontal && vertical) {
    const bool falling = ((edges & kEdgeLeft) != 0) == ((edges & kEdgeTop) != 0);  // \ or /
    setCursor(falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
  } else if (horizontal) {
    setCursor(Qt::SizeHorCursor);
  } else if (vertical) {
    setCursor(Qt::SizeVerCursor);
  } else {
    setCursor(Qt::PointingHandCursor);
  }
}

void TCreditOverlayItem::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  setFocus(Qt::MouseFocusReason);
  dragging_ = true;
  edges_ = EdgesAt(event->position().toPoint());
  start_ = Rect();
  cursor0_ = mapToParent(event->position().toPoint());
}

void TCreditOverlayItem::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return ShowCursorFor(EdgesAt(event->position().toPoint()));
  const QPoint at = mapToParent(event->position().toPoint());
  const TCreditOverlayGeometry geometry = owner_.Geometry();
  SetRect(edges_ ? geometry.Resize(start_, edges_, cursor0_.x(), cursor0_.y(), at.x(), at.y())
                 : geometry.Drag(start_, cursor0_.x(), cursor0_.y(), at.x(), at.y()));
}

void TCreditOverlayItem::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  mouseMoveEvent(event);
  dragging_ = false;
  emit Moved();
}

void TCreditOverlayItem::keyPressEvent(QKeyEvent* event) {
  const int step = event->modifiers() & Qt::ShiftModifier ? kShiftKeyStep : kKeyStep;
  int dx = 0, dy = 0;
  switch (event->key()) {
    case Qt::Key_Left: dx = -step; break;
    case Qt::Key_Right: dx = step; break;
    case Qt::Key_Up: dy = -step; break;
    case Qt::Key_Down: dy = step; break;
    default: return QWidget::keyPressEvent(event);
  }
  const TCreditOverlayGeometry geometry = owner_.Geometry();
  const TOverlayRect rect = Rect();
  // Ctrl with an arrow moves the right or the bottom edge.
  if (resizable_ && event->modifiers() & Qt::ControlModifier)
    SetRect(geometry.Resize(rect, dx ? kEdgeRight : kEdgeBottom, 0, 0, dx, dy));
  else
    SetRect(geometry.Drag(rect, 0, 0, dx, dy));
  emit Moved();
}

// --- The two overlays -----------------------------------------------------------------------

TCreditOverlay::TCreditOverlay(TSwfFeature& feature, QWidget* player) : feature_(feature), player_(player) {}

TCreditOverlay::~TCreditOverlay() {
  delete text_;
  delete picture_;
}

TCreditOverlayGeometry TCreditOverlay::Geometry() const {
  const QSize size = player_ ? player_->size() : QSize();
  return TCreditOverlayGeometry(size.width(), size.height(), feature_.Base);
}

void TCreditOverlay::Show(QPointer<TCreditOverlayItem>& item, bool resizable, void (TCreditOverlay::*reload)(),
                          bool visible) {
  if (!player_) return;
  if (visible && !item) {
    item = new TCreditOverlayItem(*this, resizable, player_);  // the player frees it
    connect(item, &TCreditOverlayItem::Moved, this, &TCreditOverlay::Moved);
    (this->*reload)();
  }
  if (!item) return;
  item->setVisible(visible);
  if (visible) item->raise();
}

void TCreditOverlay::ShowText(bool visible) { Show(text_, false, &TCreditOverlay::ReloadText, visible); }

void TCreditOverlay::ShowPicture(bool visible) { Show(picture_, true, &TCreditOverlay::ReloadPicture, visible); }

void TCreditOverlay::ReloadText() {
  if (!text_) return;
  const TCreditOverlayGeometry geometry = Geometry();
  const QPixmap pixmap = TextPixmap(feature_.Text, geometry.TextPointSize(feature_.Text.FontSize));
  TOverlayRect rect = geometry.TextRect(feature_.Text);
  rect.Width = pixmap.width();
  rect.Height = pixmap.height();
  text_->SetPixmap(pixmap);
  text_->SetRect(rect);
}

void TCreditOverlay::ReloadPicture() {
  if (!picture_) return;
  // A picture that cannot be read leaves the frame empty: the dialog tested it when chosen.
  QImage image;
  if (!feature_.Image.FileName.empty()) image.load(QString::fromStdString(feature_.Image.FileName));
  picture_->SetPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
  picture_->SetRect(Geometry().PictureRect(feature_.Image));
}

void TCreditOverlay::StoreToSettings() {
  const TCreditOverlayGeometry geometry = Geometry();
  if (text_) geometry.StoreText(text_->Rect(), feature_.Text);
  if (picture_) geometry.StorePicture(picture_->Rect(), feature_.Image);
}

}  // namespace fc::gui
