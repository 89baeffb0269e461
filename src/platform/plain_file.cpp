#include "platform/plain_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/descriptor.h"

namespace platform {

namespace {

// Opens `path` as ReadPlainFile reads it; `fd` is left closed unless the result is Read.
PlainFileRead OpenPlainFile(const std::string& path, std::size_t limit, LinkUse links, UniqueFd& fd) {
  const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (links == LinkUse::Refuse ? O_NOFOLLOW : 0);
  fd.Reset(::open(path.c_str(), flags));
  if (!fd) {
    if (errno == ENOENT || errno == ENOTDIR) return PlainFileRead::Missing;
    if (errno == ELOOP || errno == ENXIO || errno == EISDIR) return PlainFileRead::NotPlain;
    return PlainFileRead::Unreadable;
  }
  struct stat st {};
  PlainFileRead result = PlainFileRead::Read;
  if (::fstat(fd.Get(), &st) != 0) result = PlainFileRead::Unreadable;
  else if (!S_ISREG(st.st_mode)) result = PlainFileRead::NotPlain;
  else if (static_cast<std::size_t>(st.st_size) > limit) result = PlainFileRead::TooLarge;
  if (result != PlainFileRead::Read) fd.Reset();
  return result;
}

}  // namespace

PlainFileRead ReadPlainFile(const std::string& path, std::size_t limit, std::string& bytes, LinkUse links) {
  bytes.clear();
  UniqueFd fd;
  const PlainFileRead opened = OpenPlainFile(path, limit, links, fd);
  if (opened != PlainFileRead::Read) return opened;
  // The size may change while it is read: the bound is on what is read, not on st_size.
  if (!ReadUpTo(fd.Get(), limit + 1, bytes)) {
    bytes.clear();
    return PlainFileRead::Unreadable;
  }
  if (bytes.size() <= limit) return PlainFileRead::Read;
  bytes.clear();
  return PlainFileRead::TooLarge;
}

PlainFileRead ProbePlainFile(const std::string& path, std::size_t limit, LinkUse links) {
  UniqueFd fd;
  return OpenPlainFile(path, limit, links, fd);
}

const char* PlainFileReadText(PlainFileRead result) {
  switch (result) {
    case PlainFileRead::Read: return "";
    case PlainFileRead::Missing: return "is missing";
    case PlainFileRead::NotPlain: return "is not a plain file";
    case PlainFileRead::TooLarge: return "is too large";
    case PlainFileRead::Unreadable: return "cannot be read";
  }
  return "cannot be read";
}

}  // namespace platform
