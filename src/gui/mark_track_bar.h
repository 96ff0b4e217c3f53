#pragma once
// The players' position bar: a groove with the played part, a knob at the position and, when
// shown, a start and an end mark (the clip dialog's section). The knob and the marks can be
// dragged. Times are seconds of a media of Length(); the bar's steps are its inner width in
// pixels, so a bar without width or a media without length never divides by zero (see
// gui/model/track_scale.h).
#include <QWidget>

namespace fc::gui {

class TMarkTrackBar : public QWidget {
  Q_OBJECT

public:
  enum class TMark { Start = 0, End = 1 };

  explicit TMarkTrackBar(QWidget* parent = nullptr);

  void SetLength(double seconds);
  double Length() const { return length_; }
  // The knob; ignored while the user drags it.
  void SetPosition(double seconds);
  double Position() const { return position_; }
  void SetMarksVisible(bool visible);
  bool MarksVisible() const { return marks_visible_; }
  void SetMarks(double start, double end);
  double MarkStart() const { return mark_start_; }
  double MarkEnd() const { return mark_end_; }
  // The number of steps (the maximum of the bar) and the pixel where a time lies.
  int Steps() const;
  int PixelOf(double seconds) const;
  double TimeAt(int x) const;
  bool Dragging() const { return drag_ != TDrag::None; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

signals:
  // The user took the knob (pressing the groove moves it there first).
  void PositionPressed(double seconds);
  void PositionDragged(double seconds);
  void PositionReleased(double seconds);
  void MarkDragged(fc::gui::TMarkTrackBar::TMark mark, double seconds);
  void MarkReleased(fc::gui::TMarkTrackBar::TMark mark, double seconds);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  enum class TDrag { None, Position, Start, End };
  void DragTo(int x);

  double length_ = 0, position_ = 0, mark_start_ = 0, mark_end_ = 0;
  bool marks_visible_ = false;
  TDrag drag_ = TDrag::None;
};

}  // namespace fc::gui
