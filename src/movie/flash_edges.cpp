#include "movie/flash_edges.h"

#include <cmath>
#include <cstdlib>
#include <memory>

#include "core/error.h"
#include "core/text.h"
#include "movie/flash_movie.h"

namespace fc {

namespace {

// Coordinates stay well inside 32 bits so that deltas between two of them never overflow.
constexpr int64_t kMaxCoordinate = int64_t{1} << 29;

int32_t CheckedTwips(int64_t twips) {
  if (twips < -kMaxCoordinate || twips > kMaxCoordinate)
    throw Error(Format("Shape coordinate %lld twips is too far off the stage.", static_cast<long long>(twips)));
  return static_cast<int32_t>(twips);
}

int Sign(int64_t v) { return (v > 0) - (v < 0); }

int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

}  // namespace

TFlashEdges::TFlashEdges(TSWFShapeRecords& records, TFlashMovie* owner) : Records(records), Owner(owner) {}

int32_t TFlashEdges::Multiplier() const { return InTwips || !Owner ? 1 : Owner->UnitsMultiplier(); }

int32_t TFlashEdges::Scale(int32_t value) const { return CheckedTwips(int64_t{value} * Multiplier()); }

void TFlashEdges::MoveTo(int32_t x, int32_t y) {
  const TTwipsPoint to{Scale(x), Scale(y)};
  if (to == Pen && Records.size() <= 1) return;
  TSWFStyleChangeRecord* change = nullptr;
  if (!Records.empty() && Records.back()->RecordKind == kShapeRecordStyleChange)
    change = static_cast<TSWFStyleChangeRecord*>(Records.back().get());
  else
    change = static_cast<TSWFStyleChangeRecord*>(
        Records.emplace_back(std::make_unique<TSWFStyleChangeRecord>()).get());
  change->SetMoveTo(to.X, to.Y);
  Pen = Start = to;
}

void TFlashEdges::LineTo(int32_t x, int32_t y) {
  LineByTwips(CheckedTwips(int64_t{Scale(x)} - Pen.X), CheckedTwips(int64_t{Scale(y)} - Pen.Y));
}

void TFlashEdges::LineBy(int32_t dx, int32_t dy) { LineByTwips(Scale(dx), Scale(dy)); }

bool TFlashEdges::MergeInto(TSWFShapeRecord* last, int32_t dx, int32_t dy) {
  if (!Merge || !last || last->RecordKind != kShapeRecordStraightEdge) return false;
  auto& edge = static_cast<TSWFStraightEdgeRecord&>(*last);
  const int64_t sum_x = int64_t{edge.DeltaX} + dx, sum_y = int64_t{edge.DeltaY} + dy;
  const bool horizontal = edge.DeltaY == 0 && dy == 0 && Sign(edge.DeltaX) == Sign(dx) &&
                          std::llabs(sum_x) < kMaxEdgeDelta;
  const bool vertical = edge.DeltaX == 0 && dx == 0 && Sign(edge.DeltaY) == Sign(dy) &&
                        std::llabs(sum_y) <= kMaxEdgeDelta - 1;
  const bool repeated = edge.DeltaX == dx && edge.DeltaY == dy && std::llabs(sum_x) <= kMaxEdgeDelta - 1 &&
                        std::llabs(sum_y) <= kMaxEdgeDelta - 1;
  if (!horizontal && !vertical && !repeated) return false;
  edge.DeltaX = static_cast<int32_t>(sum_x);
  edge.DeltaY = static_cast<int32_t>(sum_y);
  return true;
}

void TFlashEdges::LineByTwips(int32_t dx, int32_t dy) {
  if (dx == 0 && dy == 0) return;  // a zero-length edge draws nothing
  const TTwipsPoint to{CheckedTwips(int64_t{Pen.X} + dx), CheckedTwips(int64_t{Pen.Y} + dy)};
  if (!MergeInto(Records.empty() ? nullptr : Records.back().get(), dx, dy)) {
    const int64_t n = std::max(CeilDiv(std::llabs(dx), kMaxEdgeDelta), CeilDiv(std::llabs(dy), kMaxEdgeDelta));
    // Piece k ends at round(d * k / n): the pieces add up exactly to the whole delta.
    auto at = [n](int32_t d, int64_t k) { return static_cast<int32_t>(std::llround(static_cast<double>(d) * k / n)); };
    for (int64_t k = 1; k <= n; ++k)
      Records.push_back(std::make_unique<TSWFStraightEdgeRecord>(at(dx, k) - at(dx, k - 1), at(dy, k) - at(dy, k - 1)));
  }
  Pen = to;
}

void TFlashEdges::CurveTo(int32_t cx, int32_t cy, int32_t ax, int32_t ay) {
  const int32_t control_x = Scale(cx), control_y = Scale(cy);
  CurveByTwips(CheckedTwips(int64_t{control_x} - Pen.X), CheckedTwips(int64_t{control_y} - Pen.Y),
               CheckedTwips(int64_t{Scale(ax)} - control_x), CheckedTwips(int64_t{Scale(ay)} - control_y));
}

void TFlashEdges::CurveBy(int32_t cdx, int32_t cdy, int32_t adx, int32_t ady) {
  CurveByTwips(Scale(cdx), Scale(cdy), Scale(adx), Scale(ady));
}

void TFlashEdges::CurveByTwips(int32_t cdx, int32_t cdy, int32_t adx, int32_t ady) {
  const int64_t to_x = int64_t{cdx} + adx, to_y = int64_t{cdy} + ady;
  if (to_x == 0 && to_y == 0) return;  // ends where it starts
  const bool degenerate = (cdx == 0 && cdy == 0) || (adx == 0 && ady == 0) || (cdy == 0 && ady == 0) ||
                          (cdx == 0 && adx == 0);
  if (degenerate) {
    // No bend is possible: one straight edge, kept apart from its neighbours.
    const bool merge = Merge;
    Merge = false;
    LineByTwips(CheckedTwips(to_x), CheckedTwips(to_y));
    Merge = merge;
    return;
  }
  Records.push_back(std::make_unique<TSWFCurvedEdgeRecord>(cdx, cdy, adx, ady));
  Pen = {CheckedTwips(Pen.X + to_x), CheckedTwips(Pen.Y + to_y)};
}

void TFlashEdges::Close() {
  if (Pen != Start) LineByTwips(Start.X - Pen.X, Start.Y - Pen.Y);
}

void TFlashEdges::Rectangle(int32_t width, int32_t height) {
  LineBy(width, 0);
  LineBy(0, height);
  LineBy(-width, 0);
  LineBy(0, -height);
}

void TFlashEdges::EndShape() { Records.push_back(std::make_unique<TSWFEndShapeRecord>()); }

void TFlashEdges::Flip(bool horizontal, bool vertical) {
  auto flip = [](bool on, int32_t& v) {
    if (on) v = -v;
  };
  for (auto& record : Records) {
    switch (record->RecordKind) {
      case kShapeRecordStyleChange:
      case kShapeRecordStraightEdge: {
        auto& edge = static_cast<TSWFStraightEdgeRecord&>(*record);
        flip(horizontal, edge.DeltaX);
        flip(vertical, edge.DeltaY);
        break;
      }
      case kShapeRecordCurvedEdge: {
        auto& curve = static_cast<TSWFCurvedEdgeRecord&>(*record);
        flip(horizontal, curve.ControlDeltaX);
        flip(horizontal, curve.AnchorDeltaX);
        flip(vertical, curve.ControlDeltaY);
        flip(vertical, curve.AnchorDeltaY);
        break;
      }
      default:
        break;
    }
  }
  flip(horizontal, Pen.X);
  flip(horizontal, Start.X);
  flip(vertical, Pen.Y);
  flip(vertical, Start.Y);
}

}  // namespace fc
