#include "skin/image_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <cstddef>

#include "platform/plain_file.h"
#include "profile/missing_files.h"

namespace {

// Far above any skin image (the largest is under 100 KiB).
constexpr std::size_t kMaxImageFileBytes = std::size_t{16} << 20;

struct ImageFile {
  platform::PlainFileRead read = platform::PlainFileRead::Missing;
  std::string bytes;  // the whole file when `read` is Read
};

ImageFile ReadImageFile(const std::string& path) {
  ImageFile file;
  file.read = platform::ReadPlainFile(path, kMaxImageFileBytes, file.bytes);
  return file;
}

// The bytes as Qt reads them, without a copy; valid while `bytes` lives unchanged.
QByteArray View(const std::string& bytes) {
  return QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The size an image's header gives, invalid when the bytes are no image Qt reads.
QSize HeaderSize(const std::string& bytes) {
  QByteArray view = View(bytes);
  QBuffer buffer(&view);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  return reader.canRead() ? reader.size() : QSize();
}

}  // namespace

QImage LoadImageFile(const std::string& path) {
  const ImageFile file = ReadImageFile(path);
  if (file.read != platform::PlainFileRead::Read) return QImage();
  QImage image = QImage::fromData(View(file.bytes));
  if (image.isNull()) return QImage();
  switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
      return image;
    default:
      // Grey or paletted files: one 32-bit layout keeps every later copy fast.
      return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  }
}

QSize ImageFileSize(const std::string& path) {
  const ImageFile file = ReadImageFile(path);
  return file.read == platform::PlainFileRead::Read ? HeaderSize(file.bytes) : QSize();
}

std::string WhyImageFileIsUnusable(const std::string& path) {
  const ImageFile file = ReadImageFile(path);
  if (file.read != platform::PlainFileRead::Read) return WhyFileIsMissing(path, file.read);
  return HeaderSize(file.bytes).isValid() ? std::string() : path + " is not an image";
}
