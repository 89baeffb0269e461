// Reading a whole file that must be a plain file of a bounded size: opened without
// blocking (a FIFO, a device or a folder in its place never stalls the caller) and
// read once, so that whatever the caller checks and uses is exactly what was read.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

enum class PlainFileRead {
  Read,        // `bytes` holds the whole file
  Missing,     // nothing at the path (or a folder on the way is missing)
  NotPlain,    // a folder, a FIFO, a device, a socket (or a link, where links are refused)
  TooLarge,    // larger than the limit
  Unreadable,  // it exists but cannot be opened or read
};

enum class LinkUse { Follow, Refuse };

// Reads the file at `path` into `bytes`, never more than `limit` + 1 bytes. Anything
// but Read leaves `bytes` empty.
PlainFileRead ReadPlainFile(const std::string& path, std::size_t limit, std::string& bytes,
                            LinkUse links = LinkUse::Follow);

// What ReadPlainFile would find at `path`, from opening it the same way and looking at
// what was opened, without reading it (Read: a plain file within the limit).
PlainFileRead ProbePlainFile(const std::string& path, std::size_t limit, LinkUse links = LinkUse::Follow);

// The reason in words, as the messages name a file by it ("is not a plain file").
// Empty for Read.
const char* PlainFileReadText(PlainFileRead result);

}  // namespace platform
