#include "gui/model/clip_list_model.h"

#include <algorithm>
#include <cmath>

#include "core/language.h"
#include "core/text.h"
#include "engine/media_info.h"
#include "tasks/task_source.h"

namespace fc::gui {
namespace {

// A stream with either flag (bit 0, or bit 1: no size known, as for raw streams) cannot be
// positioned reliably: the marks stay fixed.
constexpr uint8_t kNotPositionable = 0x01 | kFormatSizeUnknown;

// The shortest clip; a source shorter than this is one whole clip.
constexpr double kMinClipSeconds = 1;

int PartValue(std::string part) {
  std::replace(part.begin(), part.end(), ' ', '0');
  const std::optional<int32_t> value = ParseInt32(part);
  return value && *value > 0 ? *value : 0;
}

// The number after the first "_" of a clip title (0 when there is none).
int TitleNumber(const std::string& title) {
  const size_t underscore = title.find('_');
  if (underscore == std::string::npos) return 0;
  return PartValue(title.substr(underscore + 1));
}

}  // namespace

double ParseTimeText(const std::string& text) {
  const size_t first = text.find(':');
  const size_t second = first == std::string::npos ? std::string::npos : text.find(':', first + 1);
  const std::string hours = text.substr(0, first);
  const std::string minutes =
      first == std::string::npos ? std::string() : text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
  const std::string seconds = second == std::string::npos ? std::string() : text.substr(second + 1);
  return static_cast<double>(PartValue(hours)) * 3600 + static_cast<double>(PartValue(minutes)) * 60 +
         static_cast<double>(PartValue(seconds));
}

TClipListModel::TClipListModel(const TMediaBaseTask& base, int selected_clip)
    : owned_(base.Clone()), working_(static_cast<TMediaBaseTask*>(owned_.get())) {
  origin_ = working_->StartTime();
  duration_ = std::max(0.0, working_->Duration());
  start_ = 0;
  end_ = duration_;
  if (Count() == 0) {
    NewClip();
    return;
  }
  Select(selected_clip >= 0 && static_cast<size_t>(selected_clip) < Count() ? selected_clip : 0);
}

TClipListModel::~TClipListModel() = default;

bool TClipListModel::MarksEnabled() const {
  const TMediaTaskMediaSource* source = working_->Source();
  return source && ((source->VideoFormat.Flags | source->AudioFormat.Flags) & kNotPositionable) == 0;
}

size_t TClipListModel::Count() const { return working_->Clips().Count(); }

TMediaClipTask& TClipListModel::Clip(size_t row) const {
  return *static_cast<TMediaClipTask*>(working_->Clips().Items(row));
}

TClipRow TClipListModel::Row(size_t row) const {
  TMediaClipTask& clip = Clip(row);
  const double start = clip.StartTime() - origin_;
  const double length = clip.Duration();
  TClipRow r;
  r.Title = clip.Title;
  r.Start = TimeText(start);
  r.End = TimeText(start + length);
  r.Length = TimeText(length);
  r.HasVideo = clip.Source() && clip.Source()->HasVideo;
  return r;
}

TMessage TClipListModel::TitleCaption() const {
  return {"INF_DisplayTotalSegment", {static_cast<int64_t>(Count())}};
}

void TClipListModel::Select(int row) {
  selected_ = row >= 0 && static_cast<size_t>(row) < Count() ? row : -1;
  LoadSelected();
}

void TClipListModel::LoadSelected() {
  if (selected_ < 0) {
    start_ = 0;
    end_ = duration_;
    return;
  }
  const TMediaClipTask& clip = Clip(static_cast<size_t>(selected_));
  start_ = clip.StartTime() - origin_;
  end_ = start_ + clip.Duration();
}

size_t TClipListModel::NewClip() {
  int number = 0;
  for (TMediaTask* clip : working_->Clips()) number = std::max(number, TitleNumber(clip->Title));
  TMediaClipTask* clip = working_->AddClip();
  clip->Title = GetString("INF_ClipSegment", std::string(BuiltInMessageText("INF_ClipSegment"))) + "_" +
                std::to_string(number + 1);
  clip->SetRange(origin_ + start_, origin_ + end_);
  selected_ = static_cast<int>(Count() - 1);
  // The copied range may break the rules (a whole source shorter than a second is one clip).
  if (duration_ < kMinClipSeconds) Store(0, duration_);
  LoadSelected();
  unsaved_ = true;
  return Count() - 1;
}

bool TClipListModel::Store(double start, double end) {
  if (selected_ < 0) return false;
  if (start == start_ && end == end_) return false;
  start_ = start;
  end_ = end;
  Clip(static_cast<size_t>(selected_)).SetRange(origin_ + start_, origin_ + end_);
  unsaved_ = true;
  return true;
}

bool TClipListModel::SetStart(double seconds) {
  if (!std::isfinite(seconds)) return false;
  if (duration_ < kMinClipSeconds) return Store(0, duration_);
  double start = seconds, end = end_;
  if (start >= end) start = end - kMinClipSeconds;
  start = std::max(start, 0.0);
  // Changing the start moves the end.
  if (end - start < kMinClipSeconds) end = start + kMinClipSeconds;
  if (end > duration_) {
    end = duration_;
    start = end - kMinClipSeconds;
  }
  return Store(start, end);
}

bool TClipListModel::SetEnd(double seconds) {
  if (!std::isfinite(seconds)) return false;
  if (duration_ < kMinClipSeconds) return Store(0, duration_);
  double start = start_, end = std::min(seconds, duration_);
  if (end <= start) end = start + kMinClipSeconds;
  end = std::min(end, duration_);
  // Changing the end moves the start.
  if (end - start < kMinClipSeconds) start = end - kMinClipSeconds;
  if (start < 0) {
    start = 0;
    end = std::min(std::max(end, kMinClipSeconds), duration_);
  }
  return Store(start, end);
}

TTimeEditResult TClipListModel::EditTime(TClipColumn column, const std::string& text) {
  TTimeEditResult result;
  if (selected_ < 0 || (column != TClipColumn::Start && column != TClipColumn::End)) return result;
  const double seconds = ParseTimeText(text);
  if (column == TClipColumn::Start) {
    if (seconds >= duration_) {
      result.Message = TMessage{"INF_Starttime_Big", {}};
      result.Restored = true;
      return result;
    }
    if (text == TimeText(start_)) return result;
    result.Changed = SetStart(seconds);
    return result;
  }
  if (seconds > duration_ || seconds <= start_) {
    result.Message = TMessage{"INF_Endtime_Big", {}};
  } else if (text == TimeText(end_)) {
    return result;
  }
  result.Changed = SetEnd(seconds);
  return result;
}

void TClipListModel::DeleteClip(size_t row) {
  if (row >= Count()) return;
  // Only the copy's clip is freed: the task's own clips change on OK.
  working_->Clips().Remove(&Clip(row));
  selected_ = Count() == 0 ? -1 : static_cast<int>(std::min(row, Count() - 1));
  LoadSelected();
  unsaved_ = true;
}

}  // namespace fc::gui
