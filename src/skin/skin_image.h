// Skin images: copying a control's rectangle between page images, premultiplied PNG
// overlays, window shapes cut from mask images, and the cache that decodes every skin
// image once per version of its file. UI thread only.
#pragma once

#include <QImage>
#include <QRegion>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "skin/image_file.h"
#include "skin/skin_layout.h"

class QPainter;
class QWidget;

// An image that skin rectangles are copied from: either the whole image, or only the
// pieces of it that a window ever copies (its controls' rectangles), which is all a
// window needs of its "_over" and "_down" images and takes a fraction of the memory.
class SkinSource {
 public:
  SkinSource() = default;
  SkinSource(const QImage& whole);  // NOLINT: a whole image is a source as it stands
  // The parts of `image` inside `keep`; the whole image when that is no larger.
  static SkinSource Cut(const QImage& image, const QRegion& keep);

  bool isNull() const { return whole_.isNull() && pieces_.empty(); }
  // Bytes of pixels held.
  qsizetype Bytes() const;
  // Whether every pixel of `rect` is held.
  bool Holds(const QRect& rect) const;
  // Copies `rect` (unblended) to the same place of the painter's target; parts that
  // are not held are left as they were.
  void CopyTo(QPainter& target, const QRect& rect) const;

 private:
  QImage whole_;
  QRegion kept_;
  std::vector<std::pair<QRect, QImage>> pieces_;
};

// Copies rectangle `index` of `table` from `source` to the same place of the painter's
// target, unblended and unscaled. An index outside the table copies nothing.
void BlitSkinRect(QPainter& target, const SkinSource& source, std::span<const SkinRect> table, int index);
void BlitSkinRect(QPainter& target, const SkinSource& source, const SkinRect& rect);

// Premultiplies every pixel in place: each colour byte c becomes c * alpha / 255 with
// the remainder dropped. The image comes back as Format_ARGB32_Premultiplied holding
// exactly those bytes, ready to be drawn with per-pixel alpha.
void PremultiplyAlpha(QImage& image);

// The window region of a mask image: every pixel whose red, green and blue all exceed
// 100 is cut out, every other pixel belongs to the window. Built from the runs of each
// row, with identical neighbouring rows merged into one band.
QRegion MaskRegionFromImage(const QImage& mask);

// Loads the mask image, gives the window its size as a fixed size and gives the window the region (see
// ApplyWindowShape). Returns the region, empty when the image cannot be loaded; the
// window then keeps its size and gets no shape.
QRegion BuildMaskRegion(QWidget* window, const std::string& maskPath);

// Gives a skinned window its shape. The mask limits input (and, on X11, what shows);
// the window is also made translucent, and its painting must leave everything outside
// the shape transparent (PaintInsideShape), since some compositors only take the
// input region from a mask.
void ApplyWindowShape(QWidget* window, const QRegion& shape);

// The part of the widget that a paint in progress shows (in the widget's pixels), or
// an empty region for all of it (also where the paint is scaled for the display).
QRegion PaintedArea(const QPainter& painter);

// Paints `image` at (0, 0) clipped to `shape`, and clears the rest of the target.
// An empty shape paints the whole image. Only the part the paint shows is touched.
void PaintInsideShape(QPainter& painter, const QImage& image, const QRegion& shape);

// Path of a skin image: g_skinsDir + "/" + name.
std::string SkinImagePath(std::string_view name);

// Decoded skin images keyed by path, read through LoadImageFile. A file is decoded again
// only when its size or modification time changed; a missing or undecodable file, or
// anything but a plain file, gives a null image.
//
// The cache is bounded: it holds at most ByteBudget() bytes of pixels, dropping the
// images used longest ago first (an image in use is never dropped by its own request;
// a caller's copy stays valid after a drop). Windows drop what they stop showing
// (Drop) and everything is released when the program goes to the tray (Clear).
class SkinImageCache {
 public:
  // The image as decoded from the file's current version.
  QImage Image(const std::string& path);
  // The same image converted by PremultiplyAlpha (for PNG overlays).
  QImage PremultipliedImage(const std::string& path);
  // Only the parts of the image inside `keep` (SkinSource::Cut); cut again when
  // `keep` differs from the last request's.
  SkinSource Cutout(const std::string& path, const QRegion& keep);

  // Forgets every form of the image of `path`.
  void Drop(const std::string& path);
  void Clear();

  // Number of decodes done so far (tests, benchmarks).
  std::uint64_t DecodeCount() const { return decodes_; }
  // Bytes of pixels held now, and the most the cache holds.
  qsizetype Bytes() const { return bytes_; }
  static constexpr qsizetype ByteBudget() { return qsizetype{16} << 20; }

 private:
  struct Entry {
    bool exists = false;
    std::int64_t size = -1;
    std::int64_t mtimeNs = -1;
    QImage image;
    QImage premultiplied;
    bool imageReady = false;
    bool premultipliedReady = false;
    SkinSource cutout;
    QRegion cutoutKeep;
    bool cutoutReady = false;
    qsizetype bytes = 0;
    std::uint64_t lastUse = 0;
  };
  Entry& Fresh(const std::string& path);
  QImage Decode(const std::string& path);
  // Recounts the entry's bytes and drops other entries while over the budget.
  void Account(const std::string& path, Entry& entry);

  std::unordered_map<std::string, Entry> entries_;
  std::uint64_t decodes_ = 0;
  std::uint64_t uses_ = 0;
  qsizetype bytes_ = 0;
};

// The process-wide cache used by every skinned window.
SkinImageCache& SkinImages();
