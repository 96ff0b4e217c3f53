#pragma once
// Class set-up code the way a movie carries it: every class compiled for the movie goes into
// the DoInitAction of an empty sprite of its own. The player runs init actions once, before
// the actions of their frame and in file order, so the tags keep the order in which the
// classes were compiled (a superclass and the interfaces before the classes that use them).

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "swf/objects.h"

namespace fc {

class TCompileContext;

class TClassSprites {
public:
  // Becomes the context's OnClassScript until destroyed; `take_id` hands out the sprites'
  // character IDs.
  TClassSprites(TCompileContext& context, std::function<uint16_t()> take_id);
  ~TClassSprites();
  TClassSprites(const TClassSprites&) = delete;
  TClassSprites& operator=(const TClassSprites&) = delete;

  // The tags of the classes compiled since the last call, per class a DefineSprite (one empty
  // frame) followed by the DoInitAction with the class's code. They go in front of the
  // DoAction of the frame whose script used the classes.
  std::vector<std::unique_ptr<TSWFObject>> TakeTags();
  size_t Classes() const { return classes_; }

private:
  TCompileContext& context_;
  std::function<uint16_t()> take_id_;
  std::vector<std::unique_ptr<TSWFObject>> tags_;
  size_t classes_ = 0;
};

}  // namespace fc
