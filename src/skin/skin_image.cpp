#include "skin/skin_image.h"

#include <QPaintEngine>
#include <QPainter>
#include <QWidget>

#include <sys/stat.h>

#include <utility>
#include <vector>

#include "profile/paths.h"


namespace {

// A pixel whose three channels all exceed this is outside the window.
constexpr int kMaskThreshold = 100;

bool IsCutOut(QRgb pixel) {
  return qRed(pixel) > kMaskThreshold && qGreen(pixel) > kMaskThreshold && qBlue(pixel) > kMaskThreshold;
}

}  // namespace

SkinSource::SkinSource(const QImage& whole) : whole_(whole) {}

SkinSource SkinSource::Cut(const QImage& image, const QRegion& keep) {
  SkinSource source;
  const QRegion inside = keep & image.rect();
  qsizetype cutBytes = 0;
  for (const QRect& r : inside) cutBytes += static_cast<qsizetype>(r.width()) * r.height() * image.depth() / 8;
  if (image.isNull() || cutBytes >= image.sizeInBytes()) {
    source.whole_ = image;
    return source;
  }
  source.kept_ = inside;
  source.pieces_.reserve(static_cast<std::size_t>(inside.rectCount()));
  for (const QRect& r : inside) source.pieces_.emplace_back(r, image.copy(r));
  return source;
}

qsizetype SkinSource::Bytes() const {
  qsizetype bytes = whole_.sizeInBytes();
  for (const auto& [rect, piece] : pieces_) bytes += piece.sizeInBytes();
  return bytes;
}

bool SkinSource::Holds(const QRect& rect) const {
  if (!whole_.isNull()) return whole_.rect().contains(rect);
  return (QRegion(rect) - kept_).isEmpty();
}

void SkinSource::CopyTo(QPainter& target, const QRect& rect) const {
  if (rect.isEmpty() || isNull()) return;
  const QPainter::CompositionMode mode = target.compositionMode();
  target.setCompositionMode(QPainter::CompositionMode_Source);
  if (!whole_.isNull()) {
    target.drawImage(rect.topLeft(), whole_, rect);
  } else {
    for (const auto& [place, piece] : pieces_) {
      const QRect part = place & rect;
      if (!part.isEmpty()) target.drawImage(part.topLeft(), piece, part.translated(-place.topLeft()));
    }
  }
  target.setCompositionMode(mode);
}

void BlitSkinRect(QPainter& target, const SkinSource& source, const SkinRect& rect) {
  if (rect.width <= 0 || rect.height <= 0) return;
  source.CopyTo(target, rect.ToQRect());
}

void BlitSkinRect(QPainter& target, const SkinSource& source, std::span<const SkinRect> table, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return;
  BlitSkinRect(target, source, table[static_cast<std::size_t>(index)]);
}

void PremultiplyAlpha(QImage& image) {
  if (image.isNull()) return;
  if (image.format() != QImage::Format_ARGB32) image = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x];
      const int a = qAlpha(p);
      line[x] = qRgba(qRed(p) * a / 255, qGreen(p) * a / 255, qBlue(p) * a / 255, a);
    }
  }
  // The bytes are premultiplied now; say so instead of letting Qt premultiply again.
  image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
}

QRegion MaskRegionFromImage(const QImage& mask) {
  if (mask.isNull()) return QRegion();
  QImage image = mask;
  if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
    image = image.convertToFormat(QImage::Format_RGB32);
  }
  const int width = image.width();
  const int height = image.height();

  std::vector<QRect> rects;
  rects.reserve(static_cast<std::size_t>(height) * 2);
  std::vector<std::pair<int, int>> previousRuns;  // [start, end) of the band above
  std::vector<std::pair<int, int>> runs;
  std::size_t bandFirst = 0;  // index in `rects` of the band that the row above belongs to

  for (int y = 0; y < height; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    runs.clear();
    int x = 0;
    while (x < width) {
      while (x < width && IsCutOut(line[x])) ++x;
      if (x >= width) break;
      const int start = x;
      while (x < width && !IsCutOut(line[x])) ++x;
      runs.emplace_back(start, x);
    }
    if (!runs.empty() && runs == previousRuns) {
      // Same runs as the row above: that band grows by one row.
      for (std::size_t i = bandFirst; i < rects.size(); ++i) rects[i].setBottom(y);
    } else {
      bandFirst = rects.size();
      for (const auto& [start, end] : runs) rects.emplace_back(start, y, end - start, 1);
    }
    std::swap(previousRuns, runs);
  }

  QRegion region;
  if (!rects.empty()) region.setRects(rects.data(), static_cast<int>(rects.size()));
  return region;
}

void ApplyWindowShape(QWidget* window, const QRegion& shape) {
  if (window == nullptr) return;
  window->setAttribute(Qt::WA_TranslucentBackground);
  if (shape.isEmpty()) {
    window->clearMask();
  } else {
    window->setMask(shape);
  }
}

QRegion PaintedArea(const QPainter& painter) {
  const QPaintEngine* engine = painter.paintEngine();
  if (engine == nullptr) return QRegion();
  const QTransform toDevice = painter.deviceTransform();
  if (toDevice.type() > QTransform::TxTranslate) return QRegion();  // scaled: all of it
  return engine->systemClip().translated(-qRound(toDevice.dx()), -qRound(toDevice.dy()));
}

void PaintInsideShape(QPainter& painter, const QImage& image, const QRegion& shape) {
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  const QRegion area = PaintedArea(painter);
  if (area.isEmpty()) {
    painter.drawImage(0, 0, image);
  } else {
    for (const QRect& r : area) painter.drawImage(r.topLeft(), image, r);
  }
  if (!shape.isEmpty() && painter.device() != nullptr) {
    // The outside of a shape has many rectangles; it is worked out once per shape.
    static QRegion lastShape;
    static QSize lastSize;
    static QRegion outside;
    const QSize size(painter.device()->width(), painter.device()->height());
    if (shape != lastShape || size != lastSize) {
      outside = QRegion(QRect(QPoint(0, 0), size)) - shape;
      lastShape = shape;
      lastSize = size;
    }
    for (const QRect& r : area.isEmpty() ? outside : outside & area) painter.fillRect(r, Qt::transparent);
  }
  painter.restore();
}

QRegion BuildMaskRegion(QWidget* window, const std::string& maskPath) {
  // The mask is read once for the window and not kept.
  const QImage mask = LoadImageFile(maskPath);
  if (mask.isNull()) return QRegion();
  const QRegion shape = MaskRegionFromImage(mask);
  if (window != nullptr) {
    window->setFixedSize(mask.width(), mask.height());
    ApplyWindowShape(window, shape);
  }
  return shape;
}

std::string SkinImagePath(std::string_view name) {
  std::string path = g_skinsDir;
  path += '/';
  path += name;
  return path;
}

SkinImageCache::Entry& SkinImageCache::Fresh(const std::string& path) {
  Entry& entry = entries_[path];
  entry.lastUse = ++uses_;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    bytes_ -= entry.bytes;
    entry = Entry{};
    return entry;
  }
  const std::int64_t size = static_cast<std::int64_t>(st.st_size);
  const std::int64_t mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  if (entry.exists && entry.size == size && entry.mtimeNs == mtimeNs) return entry;
  bytes_ -= entry.bytes;
  entry = Entry{};
  entry.exists = true;
  entry.size = size;
  entry.mtimeNs = mtimeNs;
  entry.lastUse = uses_;
  return entry;
}

QImage SkinImageCache::Decode(const std::string& path) {
  ++decodes_;
  return LoadImageFile(path);
}

void SkinImageCache::Account(const std::string& path, Entry& entry) {
  bytes_ -= entry.bytes;
  entry.bytes = entry.image.sizeInBytes() + entry.premultiplied.sizeInBytes() + entry.cutout.Bytes();
  bytes_ += entry.bytes;
  while (bytes_ > ByteBudget()) {
    auto oldest = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->first == path || it->second.bytes == 0) continue;
      if (oldest == entries_.end() || it->second.lastUse < oldest->second.lastUse) oldest = it;
    }
    if (oldest == entries_.end()) break;  // only the image just asked for is left
    bytes_ -= oldest->second.bytes;
    entries_.erase(oldest);
  }
}

QImage SkinImageCache::Image(const std::string& path) {
  Entry& entry = Fresh(path);
  if (entry.exists && !entry.imageReady) {
    entry.image = Decode(path);
    entry.imageReady = true;
    Account(path, entry);
  }
  return entry.image;
}

QImage SkinImageCache::PremultipliedImage(const std::string& path) {
  Entry& entry = Fresh(path);
  if (entry.exists && !entry.premultipliedReady) {
    entry.premultiplied = entry.imageReady ? entry.image : Decode(path);
    PremultiplyAlpha(entry.premultiplied);
    entry.premultipliedReady = true;
    Account(path, entry);
  }
  return entry.premultiplied;
}

SkinSource SkinImageCache::Cutout(const std::string& path, const QRegion& keep) {
  Entry& entry = Fresh(path);
  if (entry.exists && (!entry.cutoutReady || entry.cutoutKeep != keep)) {
    entry.cutout = SkinSource::Cut(entry.imageReady ? entry.image : Decode(path), keep);
    entry.cutoutKeep = keep;
    entry.cutoutReady = true;
    Account(path, entry);
  }
  return entry.cutout;
}

void SkinImageCache::Drop(const std::string& path) {
  const auto it = entries_.find(path);
  if (it == entries_.end()) return;
  bytes_ -= it->second.bytes;
  entries_.erase(it);
}

void SkinImageCache::Clear() {
  entries_.clear();
  bytes_ = 0;
}

SkinImageCache& SkinImages() {
  static SkinImageCache cache;
  return cache;
}
