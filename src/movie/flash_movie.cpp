#include "movie/flash_movie.h"

#include <algorithm>
#include <cmath>

#include "ascompiler/compile_context.h"
#include "ascompiler/errors.h"
#include "core/error.h"

namespace fc {

TFlashActionScript::TFlashActionScript(TFlashMovie* owner)
    : owned_(std::make_unique<TSWFActionList>()), actions_(owned_.get()) {
  Owner = owner;
}

TFlashActionScript::TFlashActionScript(TFlashMovie* owner, TSWFActionList* list) : actions_(list) { Owner = owner; }

bool TFlashActionScript::Compile(const std::string& text) {
  if (!Owner) throw Error("A script outside a movie cannot be compiled.");
  try {
    Owner->CompileContext().CompileFrameScript(text, *actions_);
    return true;
  } catch (const std::exception& e) {  // compile, file and format errors alike
    Owner->CompileMessages += e.what();
    return false;
  }
}

bool TFlashActionScript::Compile(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return Compile(text);
}

uint8_t TFlashActionScript::MinVersion() const { return std::max<uint8_t>(1, actions_->MinVersion()); }

void TFlashActionScript::WriteToStream(TBitsEngine& be) {
  TSWFDoAction tag(actions_);
  tag.WriteToStream(be);
}

TFlashMovie::TFlashMovie(int32_t xMin, int32_t yMin, int32_t xMax, int32_t yMax, float frameRate, bool inPixels)
    : TBasedSWFStream(xMin, yMin, xMax, yMax, frameRate, inPixels) {}

TFlashMovie::~TFlashMovie() = default;

uint16_t TFlashMovie::TakeID() {
  if (NextID == 0xFFFF) throw Error("The movie has no character IDs left.");
  return NextID++;
}

TSWFRGB& TFlashMovie::BackgroundColor() {
  if (!background_) background_ = std::make_unique<TSWFRGB>(255, 255, 255);
  return *background_;
}

TFlashActionScript& TFlashMovie::FrameActions() {
  if (!frameActions_) frameActions_ = std::make_unique<TFlashActionScript>(this);
  return *frameActions_;
}

void TFlashMovie::ShowFrame(int count) {
  if (!FrameLabel.empty()) {
    Add(std::make_unique<TSWFFrameLabel>(FrameLabel));
    FrameLabel.clear();
  }
  if (frameActions_) Objects.push_back(std::move(frameActions_));
  for (int i = 0; i < std::max(count, 1); ++i) {
    Add(std::make_unique<TSWFShowFrame>());
    ++FrameCount;
  }
  CurrentFrame = FrameCount - 1;
}

size_t TFlashMovie::FrameIndex(int n) const {
  if (n <= 0 || Objects.empty()) return 0;
  int seen = 0;
  for (size_t i = 0; i < Objects.size(); ++i) {
    auto* tag = dynamic_cast<const TSWFObject*>(Objects[i].get());
    if (tag && tag->TagID == kTagShowFrame && ++seen == n) return i;
  }
  return Objects.size() - 1;
}

TCompileContext& TFlashMovie::CompileContext() {
  if (!compileContext_) {
    compileContext_ = std::make_unique<TCompileContext>();
    compileContext_->SwfVersion = Version();
  }
  return *compileContext_;
}

void TFlashMovie::BuildBody() {
  std::vector<uint8_t> body;
  TBitsEngine be(&body);
  uint8_t required = Version();
  if (background_) {
    TSWFSetBackgroundColor tag;
    tag.Color = *background_;
    tag.WriteToStream(be);
  }
  uint16_t frames = 0;
  bool placed = false;
  for (size_t i = 0; i < Objects.size(); ++i) {
    TBasedSWFObject& object = *Objects[i];
    Progress(static_cast<int>(std::lround((i + 1) * 100.0 / Objects.size())), kProgressBuilding);
    required = std::max(required, object.MinVersion());
    if (auto* tag = dynamic_cast<TSWFObject*>(&object)) {
      if (tag->TagID == kTagShowFrame) ++frames;
      if (tag->TagID == 4 || tag->TagID == 26 || tag->TagID == 70) placed = true;
    }
    object.WriteToStream(be);
  }
  if (frames == 0 && placed) {
    TSWFShowFrame().WriteToStream(be);
    frames = 1;
  }
  auto* last = Objects.empty() ? nullptr : dynamic_cast<TSWFObject*>(Objects.back().get());
  if (!last || last->TagID != 0) TSWFEnd().WriteToStream(be);
  FrameCount = frames;
  if (required > Version()) SetVersion(required);
  SetBodyStream(std::move(body));
}

void TFlashMovie::MoveResources(int ToFrame, int FromFrame, int UntilFrame) {
  (void)ToFrame;
  (void)FromFrame;
  (void)UntilFrame;
  throw Error("Moving resources between frames is not supported by this movie yet.");
}

}  // namespace fc
