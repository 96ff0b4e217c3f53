#pragma once
// The end of a conversion job whose output is Flash video: a thumbnail of the converted file,
// then the player movie and its page (TSwfFeature::GenerateOutputs). A slide's movie is made
// once, when the last of its members has ended, from the members that converted.

#include <string>
#include <vector>

namespace fc {

class TMediaEncodeTask;
class TMediaTask;
class TMediaTaskMgr;
class TMediaSlideTask;

// Of the pictures at 0.5, 1.0, ... 15.5 seconds, the one whose JPEG is largest (the one with
// the most detail) is written to `jpg_path`, atomically; no other file is touched. False when
// the file has no picture. Throws MediaError or IoError when it cannot be read or written.
bool MakeThumbnail(const std::string& media_file, const std::string& jpg_path);

// True when the task's output is Flash video (an FLV container), which gets a player movie.
bool MakesFlashOutput(const TMediaTask& task);
// The files the finishing would write for the task beside its outputs (movie, page,
// thumbnail), as its Flash settings ask; a slide member names its thumbnail only.
std::vector<std::string> FlashOutputPaths(const TMediaTask& task);
// The slide (a top-level task) that has `member` among its members, or null.
TMediaSlideTask* SlideOf(TMediaTaskMgr* manager, const TMediaTask* member);

// The end of a job: after success the thumbnail and the movie; after a slide member's end of
// any kind, the slide's movie once no member is left to run. A failure of the Flash output
// makes the job fail (FlashFailed, Error) and keeps the converted files.
void FinishFlashJob(TMediaEncodeTask& job, bool succeeded);

}  // namespace fc
