#include "ascompiler/class_sprites.h"

#include "ascompiler/compile_context.h"
#include "swf/actions.h"
#include "swf/buttons_sprites.h"

namespace fc {

TClassSprites::TClassSprites(TCompileContext& context, std::function<uint16_t()> take_id)
    : context_(context), take_id_(std::move(take_id)) {
  context_.OnClassScript = [this](TClassInfo&) -> TSWFActionList& {
    auto sprite = std::make_unique<TSWFDefineSprite>();
    sprite->SpriteID = take_id_();
    sprite->FrameCount = 1;  // a sprite is written with at least one frame
    sprite->Add(std::make_unique<TSWFShowFrame>());
    auto init = std::make_unique<TSWFDoInitAction>();
    init->SpriteID = sprite->SpriteID;
    TSWFActionList& actions = *init->Actions;
    tags_.push_back(std::move(sprite));
    tags_.push_back(std::move(init));
    ++classes_;
    return actions;
  };
}

TClassSprites::~TClassSprites() { context_.OnClassScript = nullptr; }

std::vector<std::unique_ptr<TSWFObject>> TClassSprites::TakeTags() { return std::exchange(tags_, {}); }

}  // namespace fc
