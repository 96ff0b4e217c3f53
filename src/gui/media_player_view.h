#pragma once
// The preview view: shows the pictures of a preview player (the source's or the processed
// output's), scaled to the view with the picture's aspect, and carries an editable rectangle
// (the crop area on a source view, the watermark on an output view). The main window, the clip
// dialog, the edit dialog and the DVD loader use it.
#include <QWidget>
#include <mutex>

#include "engine/video_processor.h"
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

  // The player whose pictures this view shows (not owned); null forgets it.
  void SetPlayer(TMediaPlayer* player);
  TMediaPlayer* Player() const { return player_; }
  // The player's picture processor (where preview edits go); null without one.
  TVideoProcessor* Processor() const;

  // 0 fills the view, 2 shows 16:9, 3 shows 4:3, other modes the picture's own aspect.
  void SetResizeMode(int mode);
  int ResizeMode() const { return resize_mode_; }

  // The editable rectangle, in picture pixels with right and bottom exclusive.
  void ShowCropArea(bool visible);
  bool CropAreaVisible() const { return crop_visible_; }
  void SetCropArea(const TCropRect& rect);
  TCropRect GetCropArea() const;
  void SetCropHandlesVisible(bool visible);

  void SetFullScreen(bool on);
  bool FullScreen() const { return full_screen_; }
  // Where the picture lies in the view.
  QRect DisplayRect() const;

  // The picture shown last (null before the first).
  TPictureRef Picture() const;

  // From the player's threads: the picture is handed over to the window's thread.
  void ShowFrame(const TPictureRef& picture) override;

signals:
  // The user moved or resized the rectangle.
  void CropAreaChanged();
  void DoubleClicked();

protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
  void ShowPicture(const TPictureRef& picture);

  TMediaPlayer* player_ = nullptr;
  int view_mode_ = 0;
  QSize display_size_;
  int resize_mode_ = 1;
  bool crop_visible_ = false;
  bool handles_visible_ = true;
  TCropRect crop_{0, 0, 16, 16};
  bool full_screen_ = false;
  TPictureRef picture_;
  QImage image_;
};

}  // namespace fc
