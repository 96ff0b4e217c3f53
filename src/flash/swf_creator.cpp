// The assembly of the player movie, its HTML page and the preview (being written).
#include "core/error.h"
#include "flash/swf_feature.h"

namespace fc {

bool TSwfFeature::GenerateOutputs(std::string* error) {
  const std::string message = "the Flash output is not available yet";
  if (error) *error = message;
  if (OnFinished) OnFinished(false, message);
  return false;
}

std::string TSwfFeature::BuildPreview(std::vector<std::string>*) { throw Error("the Flash preview is not available yet"); }

std::string TSwfFeature::Build(const std::vector<std::string>&, const std::string&, const std::string&, bool) {
  throw Error("the Flash output is not available yet");
}

}  // namespace fc
