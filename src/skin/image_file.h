// Image files as the program reads every one of them: as a plain file of at most 16 MiB
// (platform/plain_file.h), opened without blocking, so that a FIFO, a device or a folder
// in an image's place is refused at once instead of holding the program, and decoded
// from the bytes read, never again from the path.
#pragma once

#include <QImage>
#include <QSize>

#include <string>

// An image file decoded as it is on disk (null when it cannot be read or decoded), in a
// 32-bit layout; not cached.
QImage LoadImageFile(const std::string& path);

// The size in an image file's header, invalid when it cannot be read or is no image.
QSize ImageFileSize(const std::string& path);

// Why the image file cannot be shown, as standard error names it ("<path> is not a plain
// file", "<path> is not an image"); empty when it can. Only its header is decoded.
std::string WhyImageFileIsUnusable(const std::string& path);
