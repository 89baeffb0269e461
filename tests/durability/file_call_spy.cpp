#include "file_call_spy.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <climits>
#include <mutex>

namespace spy {
namespace {

struct Armed {
  std::string what, part;
  std::function<void()> action;
};

std::mutex g_lock;
std::vector<Call> g_calls;
std::vector<Armed> g_armed;
thread_local bool g_inside = false;  // the spy's own calls are not recorded

template <typename F>
F Real(const char* name) {
  return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

std::string PathOfDescriptor(int fd) {
  char link[64], target[PATH_MAX];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = ::readlink(link, target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

std::string PathAt(int folder, const char* name) {
  if (name[0] == '/' || folder == AT_FDCWD) return name;
  return PathOfDescriptor(folder) + "/" + name;
}

// Records the call and runs what was armed for it.
void Seen(const std::string& what, const std::string& path, int fd) {
  if (g_inside) return;
  g_inside = true;
  Call call{what, path};
  struct stat st {};
  if (fd >= 0 && ::fstat(fd, &st) == 0) {
    call.folder = S_ISDIR(st.st_mode);
    call.device = st.st_dev;
    call.inode = st.st_ino;
  }
  std::function<void()> action;
  {
    std::lock_guard guard(g_lock);
    g_calls.push_back(call);
    for (auto it = g_armed.begin(); it != g_armed.end(); ++it) {
      if (it->what == what && path.find(it->part) != std::string::npos) {
        action = std::move(it->action);
        g_armed.erase(it);
        break;
      }
    }
  }
  if (action) action();
  g_inside = false;
}

int OpenWith(const char* path, int flags, va_list args) {
  const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(args, int)) : 0;
  Seen("open", path, -1);
  return Real<int (*)(const char*, int, ...)>("open")(path, flags, mode);
}

}  // namespace

void Reset() {
  std::lock_guard guard(g_lock);
  g_calls.clear();
  g_armed.clear();
}

std::vector<Call> Calls() {
  std::lock_guard guard(g_lock);
  return g_calls;
}

void Arm(const std::string& what, const std::string& part, std::function<void()> action) {
  std::lock_guard guard(g_lock);
  g_armed.push_back({what, part, std::move(action)});
}

}  // namespace spy

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const int fd = spy::OpenWith(path, flags, args);
  va_end(args);
  return fd;
}

// The same function on 64-bit systems, named twice.
int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int fsync(int fd) {
  spy::Seen("fsync", spy::PathOfDescriptor(fd), fd);
  return spy::Real<int (*)(int)>("fsync")(fd);
}

int fdatasync(int fd) {
  spy::Seen("fdatasync", spy::PathOfDescriptor(fd), fd);
  return spy::Real<int (*)(int)>("fdatasync")(fd);
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
  const int done = spy::Real<int (*)(int, const char*, int, const char*)>("renameat")(fromFolder, from, toFolder, to);
  if (done == 0) spy::Seen("rename", spy::PathAt(toFolder, to), -1);
  return done;
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
  const int done = spy::Real<int (*)(int, const char*, int, const char*, unsigned)>("renameat2")(
      fromFolder, from, toFolder, to, flags);
  if (done == 0) spy::Seen("rename", spy::PathAt(toFolder, to), -1);
  return done;
}

}  // extern "C"
