#include "gui/model/dvd_loader_model.h"

#include <algorithm>

#include "tasks/task_source.h"

namespace fc::gui {
namespace {

int StreamIndex(const std::vector<TStreamEntry>& list, int32_t id) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].Id == id) return static_cast<int>(i);
  return -1;
}

std::vector<std::string> Names(const std::vector<TStreamEntry>& list) {
  std::vector<std::string> names;
  for (const TStreamEntry& e : list) names.push_back(e.Name);
  return names;
}

}  // namespace

TDvdLoaderModel::~TDvdLoaderModel() { DeleteAll(); }

int TDvdLoaderModel::Disc(const std::string& key, const std::string& label) {
  for (const TDisc& d : discs_)
    if (d.Key == key) return d.Row;
  TDvdLoaderRow row;
  row.Kind = TDvdRowKind::Disc;
  row.Caption = label;
  rows_.push_back(row);
  discs_.push_back({key, static_cast<int>(rows_.size() - 1)});
  return discs_.back().Row;
}

namespace {

// The index after the last row below `parent` (its subtree's end).
size_t SubtreeEnd(const std::vector<TDvdLoaderRow>& rows, int parent) {
  size_t end = static_cast<size_t>(parent) + 1;
  const auto below = [&](size_t i) {
    for (int p = rows[i].Parent; p >= 0; p = rows[static_cast<size_t>(p)].Parent)
      if (p == parent) return true;
    return false;
  };
  while (end < rows.size() && below(end)) ++end;
  return end;
}

}  // namespace

int TDvdLoaderModel::AddTitle(int disc, const std::string& caption, TMediaBaseTask& task) {
  TDvdLoaderRow row;
  row.Kind = TDvdRowKind::Title;
  row.Caption = caption;
  row.Task = &task;
  row.Parent = disc;
  const size_t at = SubtreeEnd(rows_, disc);
  // Rows after the insertion point move down by one: so do the parents that point at them.
  for (TDvdLoaderRow& r : rows_)
    if (r.Parent >= static_cast<int>(at)) ++r.Parent;
  for (TDisc& d : discs_)
    if (d.Row >= static_cast<int>(at)) ++d.Row;
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), row);
  return static_cast<int>(at);
}

int TDvdLoaderModel::AddChapter(int title, const std::string& caption, TMediaBaseTask& task) {
  const int at = AddTitle(title, caption, task);
  rows_[static_cast<size_t>(at)].Kind = TDvdRowKind::Chapter;
  // Chapters start unticked: their title converts them already.
  rows_[static_cast<size_t>(at)].Checked = false;
  return at;
}

void TDvdLoaderModel::RemoveEmptyLastDisc() {
  if (discs_.empty()) return;
  const int row = discs_.back().Row;
  if (HasChildren(row)) return;
  rows_.erase(rows_.begin() + row);
  for (TDvdLoaderRow& r : rows_)
    if (r.Parent > row) --r.Parent;
  discs_.pop_back();
  for (TDisc& d : discs_)
    if (d.Row > row) --d.Row;
}

bool TDvdLoaderModel::HasTitles() const {
  return std::any_of(rows_.begin(), rows_.end(), [](const TDvdLoaderRow& r) { return r.Kind == TDvdRowKind::Title; });
}

bool TDvdLoaderModel::HasChildren(int row) const {
  return std::any_of(rows_.begin(), rows_.end(), [row](const TDvdLoaderRow& r) { return r.Parent == row; });
}

const std::string& TDvdLoaderModel::DiscLabel(int row) const {
  static const std::string kNone;
  int at = row;
  while (at >= 0 && static_cast<size_t>(at) < rows_.size() && rows_[static_cast<size_t>(at)].Parent >= 0)
    at = rows_[static_cast<size_t>(at)].Parent;
  return at >= 0 && static_cast<size_t>(at) < rows_.size() ? rows_[static_cast<size_t>(at)].Caption : kNone;
}

int TDvdLoaderModel::PrepareShow() {
  for (size_t i = 0; i < rows_.size(); ++i) {
    TDvdLoaderRow& row = rows_[i];
    if (row.Parent < 0) continue;
    if (HasChildren(static_cast<int>(i))) row.Expanded = true;
    else row.Checked = false;
  }
  return rows_.size() > 1 ? 1 : -1;
}

void TDvdLoaderModel::SetChecked(int row, bool checked) {
  if (row >= 0 && static_cast<size_t>(row) < rows_.size()) rows_[static_cast<size_t>(row)].Checked = checked;
}

void TDvdLoaderModel::CheckAll(bool checked) {
  for (TDvdLoaderRow& row : rows_)
    if (row.Parent >= 0) row.Checked = checked;
}

TMediaBaseTask* TDvdLoaderModel::TaskOf(int row) const {
  return row >= 0 && static_cast<size_t>(row) < rows_.size() ? rows_[static_cast<size_t>(row)].Task : nullptr;
}

int TDvdLoaderModel::NextRowWithTask(int from, int direction) const {
  const int n = static_cast<int>(rows_.size());
  if (n == 0) return -1;
  const int step = direction < 0 ? -1 : 1;
  int at = from < 0 || from >= n ? (step > 0 ? -1 : n) : from;
  // Every row is looked at once at most: a list without tasks ends the search.
  for (int tried = 0; tried < n; ++tried) {
    at = ((at + step) % n + n) % n;
    if (rows_[static_cast<size_t>(at)].Task) return at;
  }
  return -1;
}

TDvdLoaderControls TDvdLoaderModel::Controls(int selected, bool previewing) const {
  TDvdLoaderControls c;
  TMediaBaseTask* task = TaskOf(selected);
  const int n = static_cast<int>(rows_.size());
  if (!task) return c;
  c.Play = true;
  c.Stop = previewing;
  c.Previous = n > 1 && selected > 1;
  c.Next = n > 1 && selected < n - 1;
  const TMediaTaskMediaSource* source = task->Source();
  c.Streams = !previewing && source && source->SourceKind == TSourceKind::Dvd;
  return c;
}

TDvdStreamChoices TDvdLoaderModel::Streams(int selected, bool previewing) const {
  TDvdStreamChoices s;
  TMediaBaseTask* task = TaskOf(selected);
  const TMediaTaskMediaSource* source = task ? task->Source() : nullptr;
  if (!source || source->SourceKind != TSourceKind::Dvd) return s;
  s.Enabled = !previewing;
  s.Subtitles = Names(source->Subtitles);
  s.AudioTracks = Names(source->AudioTracks);
  s.Subtitle = StreamIndex(source->Subtitles, source->VideoDecodeOptions.SubtitleID);
  // The list ends with the "no subtitle" entry: a selection it does not list shows that one.
  if (s.Subtitle < 0) s.Subtitle = static_cast<int>(s.Subtitles.size()) - 1;
  s.AudioTrack = StreamIndex(source->AudioTracks, source->AudioDecodeOptions.AudioTrackID);
  return s;
}

void TDvdLoaderModel::SelectSubtitle(int row, int index) {
  if (TMediaBaseTask* task = TaskOf(row); task && task->Source()) task->Source()->SelectSubtitle(index);
}

void TDvdLoaderModel::SelectAudioTrack(int row, int index) {
  if (TMediaBaseTask* task = TaskOf(row); task && task->Source()) task->Source()->SelectAudioTrack(index);
}

void TDvdLoaderModel::DeleteAll() {
  std::vector<TDvdLoaderRow> rows = Release();
  // Chapters first: nothing below a title outlives it.
  for (auto it = rows.rbegin(); it != rows.rend(); ++it)
    if (it->Task) it->Task->Delete();
}

std::vector<TDvdLoaderRow> TDvdLoaderModel::Release() {
  std::vector<TDvdLoaderRow> rows = std::move(rows_);
  rows_.clear();
  discs_.clear();
  return rows;
}

}  // namespace fc::gui
