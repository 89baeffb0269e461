// CPU time that one thread of this process has used, for checks of what a worker
// costs while it should be idle.
#pragma once

#include <chrono>
#include <optional>
#include <thread>

namespace platform {

// Nothing when the thread's clock cannot be read (the thread has ended).
std::optional<std::chrono::nanoseconds> ThreadCpuTime(std::thread::native_handle_type thread);

}  // namespace platform
