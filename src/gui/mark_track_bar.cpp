#include "gui/mark_track_bar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cstdlib>

#include "gui/model/track_scale.h"

namespace fc::gui {
namespace {

// Room at both ends for the knob, so the first and the last time stay reachable.
constexpr int kMargin = 8;
constexpr int kGroove = 6;
constexpr int kKnob = 7;      // radius
constexpr int kMarkGrip = 6;  // how near a press must be to take a mark

}  // namespace

TMarkTrackBar::TMarkTrackBar(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize TMarkTrackBar::sizeHint() const { return {300, 30}; }
QSize TMarkTrackBar::minimumSizeHint() const { return {2 * kMargin + 10, 30}; }

int TMarkTrackBar::Steps() const { return std::max(0, width() - 2 * kMargin); }

int TMarkTrackBar::PixelOf(double seconds) const { return kMargin + BarPosition(seconds, length_, 0, Steps()); }

double TMarkTrackBar::TimeAt(int x) const { return BarTime(x - kMargin, 0, Steps(), length_); }

void TMarkTrackBar::SetLength(double seconds) {
  length_ = seconds > 0 ? seconds : 0;
  update();
}

void TMarkTrackBar::SetPosition(double seconds) {
  if (drag_ == TDrag::Position) return;
  position_ = std::clamp(seconds, 0.0, length_);
  update();
}

void TMarkTrackBar::SetMarksVisible(bool visible) {
  marks_visible_ = visible;
  update();
}

void TMarkTrackBar::SetMarks(double start, double end) {
  if (drag_ == TDrag::Start || drag_ == TDrag::End) return;
  mark_start_ = start;
  mark_end_ = end;
  update();
}

void TMarkTrackBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPalette& pal = palette();
  const int mid = height() / 2 - (marks_visible_ ? 3 : 0);
  const QRectF groove(kMargin, mid - kGroove / 2.0, Steps(), kGroove);
  painter.setPen(QPen(pal.color(QPalette::Mid), 1));
  painter.setBrush(pal.color(isEnabled() ? QPalette::Base : QPalette::Window));
  painter.drawRoundedRect(groove, 3, 3);
  if (marks_visible_ && length_ > 0) {
    // The section between the marks.
    const int a = PixelOf(mark_start_), b = PixelOf(mark_end_);
    QColor section = pal.color(QPalette::Highlight);
    section.setAlpha(isEnabled() ? 110 : 50);
    painter.setPen(Qt::NoPen);
    painter.setBrush(section);
    painter.drawRect(QRectF(a, groove.top() - 2, std::max(1, b - a), groove.height() + 4));
    painter.setBrush(pal.color(isEnabled() ? QPalette::Highlight : QPalette::Mid));
    for (const int x : {a, b}) {
      // A small triangle under the groove, pointing at the mark.
      QPainterPath mark;
      const double top = groove.bottom() + 3;
      mark.moveTo(x, top);
      mark.lineTo(x - 5, top + 8);
      mark.lineTo(x + 5, top + 8);
      mark.closeSubpath();
      painter.drawPath(mark);
    }
  } else if (length_ > 0) {
    QColor played = pal.color(QPalette::Highlight);
    if (!isEnabled()) played = pal.color(QPalette::Mid);
    painter.setPen(Qt::NoPen);
    painter.setBrush(played);
    painter.drawRoundedRect(QRectF(groove.left(), groove.top(), PixelOf(position_) - kMargin, groove.height()), 3, 3);
  }
  const QPointF knob(PixelOf(position_), mid);
  painter.setPen(QPen(pal.color(isEnabled() ? QPalette::Dark : QPalette::Mid), 1));
  painter.setBrush(pal.color(QPalette::Button));
  painter.drawEllipse(knob, kKnob, kKnob);
}

void TMarkTrackBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !isEnabled()) return;
  const int x = qRound(event->position().x());
  drag_ = TDrag::Position;
  if (marks_visible_) {
    // The nearer mark within reach; pressing where both lie takes the one that can move.
    const int to_start = std::abs(x - PixelOf(mark_start_)), to_end = std::abs(x - PixelOf(mark_end_));
    const bool below = event->position().y() > height() / 2.0 - 3 + kGroove / 2.0;
    if (below && std::min(to_start, to_end) <= kMarkGrip) {
      if (to_start < to_end || (to_start == to_end && x < PixelOf(mark_start_)))
        drag_ = TDrag::Start;
      else
        drag_ = TDrag::End;
    }
  }
  if (drag_ == TDrag::Position) {
    position_ = TimeAt(x);
    update();
    emit PositionPressed(position_);
  }
  DragTo(x);
}

void TMarkTrackBar::mouseMoveEvent(QMouseEvent* event) {
  if (drag_ != TDrag::None) DragTo(qRound(event->position().x()));
}

void TMarkTrackBar::DragTo(int x) {
  const double t = TimeAt(x);
  switch (drag_) {
    case TDrag::Position:
      position_ = t;
      emit PositionDragged(t);
      break;
    case TDrag::Start:
      mark_start_ = t;
      emit MarkDragged(TMark::Start, t);
      break;
    case TDrag::End:
      mark_end_ = t;
      emit MarkDragged(TMark::End, t);
      break;
    case TDrag::None:
      return;
  }
  update();
}

void TMarkTrackBar::mouseReleaseEvent(QMouseEvent* event) {
  if (drag_ == TDrag::None || event->button() != Qt::LeftButton) return;
  DragTo(qRound(event->position().x()));
  const TDrag ended = drag_;
  drag_ = TDrag::None;
  if (ended == TDrag::Position) emit PositionReleased(position_);
  else emit MarkReleased(ended == TDrag::Start ? TMark::Start : TMark::End, ended == TDrag::Start ? mark_start_ : mark_end_);
}

}  // namespace fc::gui
