#include "gui/media_player_view.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <optional>

namespace fc {

namespace {

QRect ToQRect(const gui::TViewRect& r) { return QRect(QPoint(r.Left, r.Top), QSize(r.Width(), r.Height())); }

Qt::CursorShape CursorShape(gui::TCropCursor cursor) {
  switch (cursor) {
    case gui::TCropCursor::SizeAll: return Qt::SizeAllCursor;
    case gui::TCropCursor::SizeNwSe: return Qt::SizeFDiagCursor;
    case gui::TCropCursor::SizeNeSw: return Qt::SizeBDiagCursor;
    case gui::TCropCursor::SizeNs: return Qt::SizeVerCursor;
    case gui::TCropCursor::SizeWe: return Qt::SizeHorCursor;
    case gui::TCropCursor::Arrow: break;
  }
  return Qt::ArrowCursor;
}

// The top-level window that holds a view in full screen. Closing it (Alt+F4 reaches the
// window, not the view) only gives the view back.
class TFullScreenWindow final : public QWidget {
public:
  TFullScreenWindow(QWidget* owner, TMediaPlayerView& view)
      : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), view_(view) {
    setObjectName("pnlFullScreen");
    setWindowTitle(view.windowTitle());
    setStyleSheet("background: black;");
    auto* layout = new QVBoxLayout(this);  // owned by the window
    layout->setContentsMargins(0, 0, 0, 0);
  }

protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    QMetaObject::invokeMethod(&view_, [view = QPointer<TMediaPlayerView>(&view_)] {
      if (view) view->SetFullScreen(false);
    }, Qt::QueuedConnection);
  }

private:
  TMediaPlayerView& view_;
};

}  // namespace

TMediaPlayerView::TMediaPlayerView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);
  setMouseTracking(true);  // the cursor shows what a press would do
  setMinimumSize(32, 24);
}

TMediaPlayerView::~TMediaPlayerView() {
  SetPlayer(nullptr);
  // A window that is deleting its children (us among them) drops the posted deletion.
  if (full_window_) full_window_->deleteLater();
}

void TMediaPlayerView::SetViewMode(int mode) {
  view_mode_ = mode;
  ShowPicture(picture_);
}

void TMediaPlayerView::SetDisplaySize(int width, int height) {
  display_size_ = QSize(std::max(0, width), std::max(0, height));
  Relayout();
}

void TMediaPlayerView::SetPlayer(TMediaPlayer* player) {
  if (player == player_) return;
  if (player_) player_->RemoveSink(this);
  player_ = player;
  picture_.reset();
  image_ = QImage();
  aspect_x_ = aspect_y_ = 0;
  if (player_) {
    player_->AddSink(this);
    // Until the first picture comes, the format tells the picture's size.
    const TVideoFormat format = player_->VideoFormat();
    image_ = QImage();
    aspect_x_ = format.AspectX;
    aspect_y_ = format.AspectY;
  }
  Relayout();
}

TVideoProcessor* TMediaPlayerView::Processor() const { return player_ ? player_->VideoProcessor() : nullptr; }

void TMediaPlayerView::SetResizeMode(int mode) {
  resize_mode_ = mode;
  Relayout();
}

void TMediaPlayerView::ShowCropArea(bool visible) {
  crop_.SetVisible(visible);
  update();
}

void TMediaPlayerView::SetCropArea(const TCropRect& rect) {
  if (crop_.SetVideoRect(rect)) update();
}

TCropRect TMediaPlayerView::GetCropArea() const { return crop_.VideoRect(); }

void TMediaPlayerView::SetCropHandlesVisible(bool visible) {
  crop_.SetHandlesVisible(visible);
  update();
}

gui::TViewGeometry TMediaPlayerView::Geometry() const {
  gui::TViewGeometry g;
  g.ClientWidth = width();
  g.ClientHeight = height();
  g.HasPlayer = player_ != nullptr;
  g.ResizeMode = resize_mode_;
  g.ViewMode = view_mode_;
  g.DisplayWidth = display_size_.width();
  g.DisplayHeight = display_size_.height();
  if (!image_.isNull()) {
    g.FrameWidth = image_.width();
    g.FrameHeight = image_.height();
  } else if (player_) {
    const TVideoFormat format = player_->VideoFormat();
    g.FrameWidth = format.Width;
    g.FrameHeight = format.Height;
  }
  g.AspectX = aspect_x_;
  g.AspectY = aspect_y_;
  return g;
}

QRect TMediaPlayerView::DisplayRect() const { return ToQRect(gui::DisplayRect(Geometry())); }

void TMediaPlayerView::Relayout() {
  crop_.SetGeometry(Geometry());
  scaled_for_ = QSize();
  update();
}

void TMediaPlayerView::ShowFrame(const TPictureRef& picture) {
  // Queued to the view's thread; a view destroyed meanwhile drops the call.
  QMetaObject::invokeMethod(this, [this, picture] { ShowPicture(picture); }, Qt::QueuedConnection);
}

void TMediaPlayerView::ShowPicture(const TPictureRef& picture) {
  if (!player_) return;  // a picture still on its way from a player forgotten since
  picture_ = picture;
  const QSize old_size = image_.size();
  const int32_t old_x = aspect_x_, old_y = aspect_y_;
  image_ = QImage();
  if (picture && picture->Frame) {
    // View mode 0 shows the source picture the output was made from.
    const bool source = view_mode_ == 0 && picture->SourceFrame;
    const AVFrame* frame = source ? picture->SourceFrame.get() : picture->Frame.get();
    const std::vector<uint8_t> rgb = source ? picture->SourceRgb() : picture->Rgb();
    if (!rgb.empty())
      image_ = QImage(rgb.data(), frame->width, frame->height, frame->width * 3, QImage::Format_RGB888).copy();
    if (source) {
      const AVRational sar = frame->sample_aspect_ratio;
      const bool square = sar.num <= 0 || sar.den <= 0;
      aspect_x_ = frame->width * (square ? 1 : sar.num);
      aspect_y_ = frame->height * (square ? 1 : sar.den);
    } else {
      aspect_x_ = picture->AspectX;
      aspect_y_ = picture->AspectY;
    }
  }
  scaled_for_ = QSize();
  if (image_.size() != old_size || aspect_x_ != old_x || aspect_y_ != old_y)
    Relayout();
  else
    update();
}

void TMediaPlayerView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Relayout();
}

void TMediaPlayerView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!image_.isNull()) {
    const QRect display = DisplayRect();
    // Scaled once per size at the screen's device pixels, so the picture stays sharp.
    const qreal ratio = devicePixelRatioF();
    const QSize device_size = (QSizeF(display.size()) * ratio).toSize();
    if (scaled_for_ != device_size) {
      scaled_ = image_.scaled(device_size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      scaled_.setDevicePixelRatio(ratio);
      scaled_for_ = device_size;
    }
    painter.drawImage(display.topLeft(), scaled_);
  }
  PaintCropArea(painter);
}

void TMediaPlayerView::PaintCropArea(QPainter& painter) const {
  if (!crop_.Visible()) return;
  const gui::TViewRect r = crop_.ViewRect();
  // One-pixel white strips along the edges with a black dotted line over them.
  const QRect strips[] = {QRect(r.Left, r.Top, 1, r.Height()), QRect(r.Left, r.Top, r.Width(), 1),
                          QRect(r.Right, r.Top, 1, r.Height() + 1), QRect(r.Left, r.Bottom, r.Width() + 1, 1)};
  for (const QRect& strip : strips) painter.fillRect(strip, Qt::white);
  QPen dotted(Qt::black, 0, Qt::DotLine);
  dotted.setCosmetic(true);
  painter.setPen(dotted);
  painter.drawLine(r.Left, r.Top, r.Left, r.Bottom);
  painter.drawLine(r.Left, r.Top, r.Right, r.Top);
  painter.drawLine(r.Right, r.Top, r.Right, r.Bottom);
  painter.drawLine(r.Left, r.Bottom, r.Right, r.Bottom);
  if (!crop_.HandlesVisible()) return;
  painter.setPen(Qt::NoPen);
  for (int handle = 0; handle < gui::kHandleCount; ++handle) {
    const QRect square = ToQRect(gui::HandleRect(r, handle));
    painter.fillRect(square, Qt::white);
    painter.fillRect(square.adjusted(1, 1, -1, -1), Qt::black);
  }
}

void TMediaPlayerView::UpdateCursor(const QPoint& at) {
  setCursor(CursorShape(crop_.CursorAt(at.x(), at.y())));
}

void TMediaPlayerView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton && crop_.Press(at.x(), at.y())) {
    UpdateCursor(at);
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void TMediaPlayerView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (crop_.Busy() && crop_.MoveTo(at.x(), at.y())) {
    update();
    emit CropAreaChanged();
  }
  UpdateCursor(at);
  QWidget::mouseMoveEvent(event);
}

void TMediaPlayerView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && crop_.Busy()) {
    crop_.Release();
    update();
    setFocus(Qt::MouseFocusReason);
  }
  UpdateCursor(event->position().toPoint());
  QWidget::mouseReleaseEvent(event);
}

void TMediaPlayerView::mouseDoubleClickEvent(QMouseEvent*) {
  // The owner hears first (and may toggle full screen itself); a double click in full screen
  // always leaves it.
  const QPointer<TMediaPlayerView> alive(this);
  const bool was_full_screen = full_screen_;
  emit DoubleClicked();
  if (alive && was_full_screen && full_screen_) SetFullScreen(false);
}

void TMediaPlayerView::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers();
  if (event->key() == Qt::Key_F4 && (mods & Qt::AltModifier)) {
    event->accept();  // never closes a window from the view
    return;
  }
  if (event->key() == Qt::Key_Escape && full_screen_) {
    SetFullScreen(false);
    event->accept();
    return;
  }
  const bool ctrl = mods & Qt::ControlModifier, shift = mods & Qt::ShiftModifier;
  std::optional<gui::TCropKey> key;
  switch (event->key()) {
    case Qt::Key_Left: key = gui::TCropKey::Left; break;
    case Qt::Key_Right: key = gui::TCropKey::Right; break;
    case Qt::Key_Up: key = gui::TCropKey::Up; break;
    case Qt::Key_Down: key = gui::TCropKey::Down; break;
    default: break;
  }
  if (key && (ctrl || shift) && crop_.Visible()) {
    if (crop_.Key(*key, ctrl, shift)) {
      update();
      emit CropAreaChanged();
    }
    event->accept();
    return;
  }
  if (full_screen_) {
    event->accept();  // full screen swallows the other keys
    return;
  }
  QWidget::keyPressEvent(event);
}

void TMediaPlayerView::SetFullScreen(bool on) {
  if (on == full_screen_) return;
  if (on) {
    home_parent_ = parentWidget();
    home_geometry_ = geometry();
    home_index_ = -1;
    home_stretch_ = 0;
    if (auto* home_stack = qobject_cast<QStackedWidget*>(home_parent_.data())) {
      home_index_ = home_stack->indexOf(this);
    } else if (auto* splitter = qobject_cast<QSplitter*>(home_parent_.data())) {
      home_index_ = splitter->indexOf(this);
    } else if (auto* box = home_parent_ ? qobject_cast<QBoxLayout*>(home_parent_->layout()) : nullptr) {
      home_index_ = box->indexOf(this);
      if (home_index_ >= 0) home_stretch_ = box->stretch(home_index_);
    }
    auto* stack = qobject_cast<QStackedWidget*>(home_parent_.data());
    home_current_ = stack && stack->currentWidget() == this;
    // Owned by our top-level window, so that it never outlives the program's windows.
    auto* window = new TFullScreenWindow(home_parent_ ? home_parent_->window() : nullptr, *this);
    full_window_ = window;
    window->layout()->addWidget(this);
    full_screen_ = true;
    show();
    window->showFullScreen();
    window->raise();
    window->activateWindow();
    setFocus(Qt::OtherFocusReason);
  } else {
    full_screen_ = false;
    ReturnToPlace();
    if (full_window_) {
      full_window_->hide();
      full_window_->deleteLater();
    }
    full_window_.clear();
  }
  Relayout();
  emit FullScreenChanged(full_screen_);
}

void TMediaPlayerView::ReturnToPlace() {
  QWidget* home = home_parent_.data();
  if (!home) {
    setParent(nullptr);
    hide();
    return;
  }
  const bool current = home_current_;
  const int index = home_index_;
  if (auto* stack = qobject_cast<QStackedWidget*>(home)) {
    stack->insertWidget(std::max(0, index), this);
    if (current) stack->setCurrentWidget(this);
  } else if (auto* splitter = qobject_cast<QSplitter*>(home)) {
    splitter->insertWidget(std::max(0, index), this);
  } else if (auto* box = qobject_cast<QBoxLayout*>(home->layout()); box && index >= 0) {
    box->insertWidget(index, this, home_stretch_);
  } else {
    setParent(home);
    setGeometry(home_geometry_);
  }
  show();
}

}  // namespace fc
