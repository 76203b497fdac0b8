// Lowering one thread's priority (Linux: a thread's own nice value).
#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

void YieldToWindowThread() {
  const auto thread = static_cast<id_t>(syscall(SYS_gettid));
  setpriority(PRIO_PROCESS, thread, 10);
}

}  // namespace platform
