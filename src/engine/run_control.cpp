#include "engine/run_control.h"

#include <sys/resource.h>
#include <unistd.h>

namespace fc {

void TThreadPriority::Follow(const TRunControl& control) {
  const bool low = control.LowPriority();
  if (low == low_) return;
  // Best effort: raising the priority back may need rights the user lacks.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), low ? 10 : 0);
  low_ = low;
}

}  // namespace fc
