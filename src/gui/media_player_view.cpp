#include "gui/media_player_view.h"

#include <QMetaObject>
#include <QPainter>

namespace fc {

TMediaPlayerView::TMediaPlayerView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);
}

TMediaPlayerView::~TMediaPlayerView() { SetPlayer(nullptr); }

void TMediaPlayerView::SetViewMode(int mode) { view_mode_ = mode; }

void TMediaPlayerView::SetDisplaySize(int width, int height) { display_size_ = QSize(width, height); }

void TMediaPlayerView::SetPlayer(TMediaPlayer* player) {
  if (player == player_) return;
  if (player_) player_->RemoveSink(this);
  player_ = player;
  if (player_) player_->AddSink(this);
}

TVideoProcessor* TMediaPlayerView::Processor() const { return player_ ? player_->VideoProcessor() : nullptr; }

void TMediaPlayerView::SetResizeMode(int mode) {
  resize_mode_ = mode;
  update();
}

void TMediaPlayerView::ShowCropArea(bool visible) {
  crop_visible_ = visible;
  update();
}

void TMediaPlayerView::SetCropArea(const TCropRect& rect) {
  crop_ = rect;
  update();
}

TCropRect TMediaPlayerView::GetCropArea() const { return crop_; }

void TMediaPlayerView::SetCropHandlesVisible(bool visible) {
  handles_visible_ = visible;
  update();
}

void TMediaPlayerView::SetFullScreen(bool on) { full_screen_ = on; }

QRect TMediaPlayerView::DisplayRect() const {
  if (!player_ || image_.isNull()) return rect();
  QSize size = image_.size();
  size.scale(this->size(), Qt::KeepAspectRatio);
  return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

TPictureRef TMediaPlayerView::Picture() const { return picture_; }

void TMediaPlayerView::ShowFrame(const TPictureRef& picture) {
  QMetaObject::invokeMethod(this, [this, picture] { ShowPicture(picture); }, Qt::QueuedConnection);
}

void TMediaPlayerView::ShowPicture(const TPictureRef& picture) {
  picture_ = picture;
  image_ = QImage();
  if (picture && picture->Frame) {
    const std::vector<uint8_t> rgb = picture->Rgb();
    image_ = QImage(rgb.data(), picture->Width, picture->Height, picture->Width * 3, QImage::Format_RGB888).copy();
  }
  update();
}

void TMediaPlayerView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!image_.isNull()) painter.drawImage(DisplayRect(), image_);
}

void TMediaPlayerView::mouseDoubleClickEvent(QMouseEvent*) { emit DoubleClicked(); }

}  // namespace fc
