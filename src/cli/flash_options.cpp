#include "cli/flash_options.h"
namespace fc::cli {
std::vector<TOptionSpec> FlashOptionSpecs() {
  return {{"--swf-type", "1|2|3", "SWF type"}, {"--player", "NAME|none", "player"}, {"--no-swf", "", "no movie"},
          {"--keep-flv", "", "keep"}, {"--debug-trace", "", "trace"}};
}
void ApplyFlashOptions(const TArgs& args, TSwfFeature& f) {
  if (auto t = args.get("--swf-type")) f.Generate.SwfType = static_cast<uint8_t>(std::stoi(*t));
  if (auto p = args.get("--player")) f.PlayerID = *p;
  if (args.Has("--no-swf")) f.Generate.GenerateSwf = false;
  if (args.Has("--keep-flv")) f.Generate.GenerateFlv = true;
}
}
