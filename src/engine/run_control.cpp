#include "engine/run_control.h"

#include <sys/resource.h>

#include <algorithm>
#include <unistd.h>

namespace fc {

void TThreadPriority::Follow(const TRunControl& control) {
  const bool low = control.LowPriority();
  if (low == low_) return;
  const auto thread = static_cast<id_t>(gettid());
  if (low) start_nice_ = getpriority(PRIO_PROCESS, thread);
  // Best effort: raising the priority back may need rights the user lacks.
  setpriority(PRIO_PROCESS, thread, low ? std::min(start_nice_ + 10, 19) : start_nice_);
  low_ = low;
}

}  // namespace fc
