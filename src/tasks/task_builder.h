#pragma once
// Task assembly: turns a plain request (inputs, an output profile, encoder and edit choices,
// ranges, clips, a merge or a slide) into the tasks of a TMediaTaskMgr, names their outputs,
// and decides about outputs that exist already. The command line and the main window both
// build their job lists through it; neither prints from here: failures are records or
// exceptions carrying their message text.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/video_processor.h"
#include "profiles/profile_item.h"
#include "tasks/media_task.h"
#include "tasks/task_source.h"

namespace fc {

// A part of a task's media in seconds from the task's own beginning; End 0 runs to the end.
struct TTimeRange {
  double Start = 0;
  double End = 0;

  // Start is 0 or more, both are finite, and End (unless 0) comes after Start.
  bool IsValid() const;
  // "START-END" in seconds ("1.5-4", "1-" when it runs to the end).
  std::string Text() const;
};

// Values that replace the profile's in the encode record; unset ones keep the profile's.
struct TEncodeChoices {
  std::optional<int32_t> ScaleMode;    // a TScaleMode value (the zoom)
  std::optional<int32_t> Width, Height; // rounded down to even values
  std::optional<double> FrameRate;
  std::optional<int32_t> VideoBitrate; // bits per second
  std::optional<int32_t> AudioBitrate; // bits per second
  std::optional<int32_t> SampleRate;   // Hz
  std::optional<int32_t> Channels;
  bool NoAudio = false;
};

// How several inputs are put together.
enum class TJoinMode { None, Merge, Slide };

// What happens to a task whose output file exists already.
enum class TExistingOutputPolicy { Refuse, Skip, Overwrite };

struct TConversionRequest {
  std::vector<std::string> Inputs;  // media files, DVD folders, .ifo or .iso files
  int32_t OpenFlags = 0;
  std::string OutputFolder;         // empty: the manager's stays
  std::string Name;                 // output name of a merge, a slide or a single input
  TEncodeChoices Encode;
  TMediaTaskEditParams Edits{nullptr};  // copied into every base task
  int AudioTrack = 0;               // 1-based entry of the source's audio list; 0 keeps its own
  int Subtitle = 0;                 // 1-based entry of the subtitle list; 0: none
  std::string AddedAudio;           // a sound track mixed under the video; empty: none
  bool AddedAudioLoop = false;
  bool ReplaceAudio = false;        // the added track plays alone
  std::optional<double> RangeStart, RangeEnd;  // seconds from the input's beginning
  std::vector<TTimeRange> Clips;    // each input is converted as these clips
  TJoinMode Join = TJoinMode::None;
  int DvdTitle = 1;                 // 1-based
  std::vector<int> DvdChapters;     // 1-based; empty: the whole title
  TExistingOutputPolicy ExistingOutputs = TExistingOutputPolicy::Refuse;
};

// An input that gave no task, with the message that says why.
struct TInputFailure {
  std::string Input;
  std::string Message;
};

// A task left out of the run because its output exists (see ApplyExistingOutputPolicy).
struct TExistingOutput {
  TMediaTask* Task = nullptr;
  std::string OutputPath;
  bool Refused = false;  // true: the request refuses to replace it; false: skipped as asked
};

class TTaskBuilder {
public:
  // Throws Error when the profile names a container this program cannot write. The manager and
  // the profile must outlive the builder.
  TTaskBuilder(TMediaTaskMgr& manager, const TProfileItem& profile);

  TMediaTaskMgr& Manager() const { return manager_; }
  const TProfileItem& Profile() const { return profile_; }
  // The output extension of the profile's container, with the dot.
  const std::string& Extension() const { return extension_; }

  // Fills the manager from a whole request: the output folder (when given), the inputs
  // (failures recorded), then Assemble. Returns the base tasks.
  std::vector<TMediaBaseTask*> Build(const TConversionRequest& request);
  // Puts the base tasks together as the request says: clips (the bases then excluded), merge
  // or slide, or the name of a single output. Throws Error for a clip that is not valid or
  // starts after its input's end.
  void Assemble(const std::vector<TMediaBaseTask*>& bases, const TConversionRequest& request);

  // One base task per input, or per DVD title/chapter; an input that fails leaves no task
  // behind and is recorded in Failures().
  std::vector<TMediaBaseTask*> AddInput(const std::string& input, const TConversionRequest& request);
  // A base task over a loaded source, named after `stem` (made unique); the request's choices
  // applied. Throws Error (the task removed again) when a choice does not fit the source.
  TMediaBaseTask* AddBaseTask(std::unique_ptr<TMediaTaskMediaSource> source, const std::string& stem,
                              const TConversionRequest& request);
  // The profile and the encoder choices onto a task's record.
  void ApplyEncoding(TMediaTask& task, const TEncodeChoices& choices) const;

  // A clip of `base` over `range` (seconds from the base task's start), named
  // "<base output name>_clip<n>" and made unique. Throws Error for a range that is not valid
  // or starts after the media's end.
  TMediaClipTask* AddClip(TMediaBaseTask& base, const TTimeRange& range);
  // A merge of the tasks (which are excluded: only the merge is converted).
  TMediaMergeTask* AddMerge(const std::vector<TMediaBaseTask*>& members, const std::string& title,
                            const TEncodeChoices& choices);
  // A slide of the tasks: one member per task, each named "<slide>_<task's output name>".
  TMediaSlideTask* AddSlide(const std::vector<TMediaBaseTask*>& members, const std::string& title,
                            const TEncodeChoices& choices);

  const std::vector<TInputFailure>& Failures() const { return failures_; }

private:
  TMediaTaskMgr& manager_;
  const TProfileItem& profile_;
  std::string extension_;
  std::vector<TInputFailure> failures_;
};

// The subtitle choices of a task just made: a file with subtitles gets its first stream
// selected, shown near the bottom of the picture; a DVD title gets the entry "INF_SubTitle"
// (no subtitle, stream id 0) at the end of its list and none selected.
void ApplySubtitleDefaults(TMediaTask& task);

// The base name of an input's outputs: the file name without extension (the folder's name
// for "VIDEO_TS/"), "output" when there is none.
std::string InputStem(const std::string& path);
// "<volume>_title<t>" or "<volume>_title<t>_chapter<c>" (1-based; chapter -1 for the title).
std::string DvdTaskStem(const std::string& volume_name, int title_index, int chapter_index);

// The answers to "the output exists: replace it?".
enum class TOverwriteAnswer { Yes, No, YesToAll, NoToAll, Cancel };
using TOverwriteQuestion = std::function<TOverwriteAnswer(TMediaTask& task, const std::string& output_path)>;

// Asks about every included task whose output exists, each task before its children. No
// excludes the task from the run, Yes keeps it; after Yes to All or No to All the same answer
// holds for the rest without asking. False, and the questions end, on Cancel.
bool AskAboutExistingOutputs(TMediaTaskMgr& manager, const TOverwriteQuestion& ask);

// The policy without questions: with Overwrite nothing changes; otherwise every included task
// whose output exists is excluded and returned (Refused with the Refuse policy).
std::vector<TExistingOutput> ApplyExistingOutputPolicy(TMediaTaskMgr& manager, TExistingOutputPolicy policy);

}  // namespace fc
