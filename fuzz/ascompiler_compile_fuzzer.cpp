// Compiles arbitrary bytes as ActionScript 2 the way `as compile` does: lexer, parser, code
// generation into frame 1 of a movie (classes declared in the text into init-action sprites
// of their own), and the same text as on(...) handlers of a button and onClipEvent(...)
// handlers of a placed clip. The movie is written to memory and must read back, with every
// action decoded. Bad input must end in a compile error and nothing else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "ascompiler/class_sprites.h"
#include "ascompiler/compile_context.h"
#include "ascompiler/errors.h"
#include "movie/flash_movie.h"
#include "swf/buttons_sprites.h"
#include "swf/placements.h"
#include "swf/streams.h"

namespace {

// "self.as" is the script itself, "half.as" its second half.
fc::TIncludeFile OpenInclude(const std::string& text, const std::string& name) {
  if (name == "self.as") return {text, "main"};
  if (name == "half.as") return {text.substr(text.size() / 2), "half"};
  throw fc::EActionCompileError("Include file \"" + name + "\" not found.");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  fc::TFlashMovie movie(0, 0, 100, 100, 12.0f, true);
  // The first byte picks the version, so that the code of every player is reached: SWF 4
  // actions, DefineFunction, DefineFunction2.
  constexpr uint8_t kVersions[] = {4, 5, 6, 7, 8, 10};
  movie.SetVersion(size > 0 ? kVersions[data[0] % std::size(kVersions)] : 8);
  fc::TCompileContext& context = movie.CompileContext();
  context.SetIncludeOpener([&text](const std::string& name) { return OpenInclude(text, name); });
  fc::TClassSprites classes(context, [&movie] { return movie.TakeID(); });

  // Frame actions: a compile error is reported through the movie, never thrown.
  fc::TFlashActionScript& frame = movie.FrameActions();
  if (!frame.Compile(text) && movie.CompileMessages.empty()) std::abort();

  // Handlers of a button and of a placed clip.
  auto button = std::make_unique<fc::TSWFDefineButton2>();
  button->ButtonID = movie.TakeID();
  auto place = std::make_unique<fc::TSWFPlaceObject2>();
  place->Version = movie.Version();
  place->Depth = 1;
  place->SetCharacterID(button->ButtonID);
  try {
    context.CompileButton(text, *button);
  } catch (const fc::EActionCompileError&) {
  }
  try {
    context.CompileClipEvents(text, *place);
  } catch (const fc::EActionCompileError&) {
  }

  for (auto& tag : classes.TakeTags()) movie.Add(std::move(tag));
  movie.Add(std::move(button));
  movie.Add(std::move(place));
  movie.ShowFrame();
  movie.BuildBody();
  const std::vector<uint8_t> bytes = movie.SaveToBytes();

  // What was written reads back, tag by tag and action by action.
  fc::TSWFStreamReader reader;
  reader.LoadFromStream(bytes);
  reader.ParseTags(true, true);
  if (!reader.Warnings.empty()) std::abort();
  return 0;
}
