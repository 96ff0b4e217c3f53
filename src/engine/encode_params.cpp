#include "engine/encode_params.h"

namespace fc {

std::string FourCCToString(TFourCC code) {
  std::string s;
  for (int i = 0; i < 4 && code != 0; ++i) {
    s.push_back(static_cast<char>(code & 0xFF));
    code >>= 8;
  }
  return s;
}

bool IsFlashContainer(TFourCC container) {
  return container == kFourCCFlv || container == kFourCCSwf;
}

}  // namespace fc
