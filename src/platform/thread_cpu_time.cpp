#include "platform/thread_cpu_time.h"

#include <pthread.h>
#include <time.h>

namespace platform {

std::optional<std::chrono::nanoseconds> ThreadCpuTime(std::thread::native_handle_type thread) {
  clockid_t clock{};
  if (pthread_getcpuclockid(thread, &clock) != 0) return std::nullopt;
  timespec ts{};
  if (clock_gettime(clock, &ts) != 0) return std::nullopt;
  return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

}  // namespace platform
