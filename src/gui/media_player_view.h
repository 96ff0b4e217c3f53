#pragma once
// The preview view: shows the pictures of a preview player (the source's or the processed
// output's), scaled to the view with the picture's aspect and sharp at any screen scale, and
// carries an editable rectangle (the crop area on a source view, the watermark on an output
// view) that the user moves, resizes with eight handles and nudges with Ctrl or Shift and the
// arrow keys. It can show itself full screen. The main window, the clip dialog, the edit
// dialog and the DVD loader use it. The geometry is decided by TCropArea and DisplayRect
// (model/view_geometry.h); the widget paints and forwards.
#include <QImage>
#include <QPointer>
#include <QWidget>

#include "engine/video_processor.h"
#include "gui/model/view_geometry.h"
#include "playback/media_player.h"

namespace fc {

class TMediaPlayerView : public QWidget, public TFrameSink {
  Q_OBJECT

public:
  explicit TMediaPlayerView(QWidget* parent = nullptr);
  ~TMediaPlayerView() override;

  // 0 shows the source picture, 1 the processed output.
  void SetViewMode(int mode);
  int ViewMode() const { return view_mode_; }
  // The size of the output picture shown in view mode 1 (the task's output size).
  void SetDisplaySize(int width, int height);
  QSize DisplaySize() const { return display_size_; }

  // The player whose pictures this view shows (not owned); null forgets it and its picture.
  void SetPlayer(TMediaPlayer* player);
  TMediaPlayer* Player() const { return player_; }
  // The player's picture processor (where preview edits go); null without one.
  TVideoProcessor* Processor() const;

  // 0 fills the view, 2 shows 16:9, 3 shows 4:3, 5 fits the height, other modes the
  // picture's own aspect.
  void SetResizeMode(int mode);
  int ResizeMode() const { return resize_mode_; }

  // The editable rectangle, in picture pixels with right and bottom exclusive.
  void ShowCropArea(bool visible);
  bool CropAreaVisible() const { return crop_.Visible(); }
  // Ignored while the user moves or resizes the rectangle; never signals CropAreaChanged.
  void SetCropArea(const TCropRect& rect);
  TCropRect GetCropArea() const;
  void SetCropHandlesVisible(bool visible);
  // The rectangle in view pixels (its right and bottom lines at Right and Bottom).
  gui::TViewRect CropViewRect() const { return crop_.ViewRect(); }

  // Full screen: the view moves into a frameless top-level window and back to its place.
  void SetFullScreen(bool on);
  bool FullScreen() const { return full_screen_; }
  // Where the picture lies in the view (the whole view without a player).
  QRect DisplayRect() const;

  // The picture shown last (null before the first, and after the player is forgotten).
  TPictureRef Picture() const { return picture_; }

  // From the player's threads: the picture is handed over to the window's thread.
  void ShowFrame(const TPictureRef& picture) override;

signals:
  // The user moved or resized the rectangle.
  void CropAreaChanged();
  void DoubleClicked();
  void FullScreenChanged(bool on);

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void ShowPicture(const TPictureRef& picture);
  gui::TViewGeometry Geometry() const;
  // The crop area follows a change of the view's geometry.
  void Relayout();
  void UpdateCursor(const QPoint& at);
  void PaintCropArea(QPainter& painter) const;
  // Puts the view back where it was before full screen.
  void ReturnToPlace();

  TMediaPlayer* player_ = nullptr;
  int view_mode_ = 0;
  QSize display_size_;
  int resize_mode_ = 1;
  gui::TCropArea crop_;
  TPictureRef picture_;
  QImage image_;                  // the picture in the view mode's choice, at its own size
  int32_t aspect_x_ = 0, aspect_y_ = 0;
  mutable QImage scaled_;         // image_ at the display size in device pixels
  mutable QSize scaled_for_;

  bool full_screen_ = false;
  QPointer<QWidget> full_window_;  // exists while full screen, owned by the top-level window
  // Where the view came from.
  QPointer<QWidget> home_parent_;
  int home_index_ = -1;
  int home_stretch_ = 0;
  bool home_current_ = false;  // the current page of a stacked parent
  QRect home_geometry_;
};

}  // namespace fc
