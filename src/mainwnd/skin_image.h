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

#include "mainwnd/skin_layout.h"

class QPainter;
class QWidget;

// Copies rectangle `index` of `table` from `source` to the same place of the painter's
// target, unblended and unscaled. An index outside the table copies nothing.
void BlitSkinRect(QPainter& target, const QImage& source, std::span<const SkinRect> table, int index);
void BlitSkinRect(QPainter& target, const QImage& source, const SkinRect& rect);

// Premultiplies every pixel in place: each colour byte c becomes c * alpha / 255 with
// the remainder dropped. The image comes back as Format_ARGB32_Premultiplied holding
// exactly those bytes, ready to be drawn with per-pixel alpha.
void PremultiplyAlpha(QImage& image);

// The window region of a mask image: every pixel whose red, green and blue all exceed
// 100 is cut out, every other pixel belongs to the window. Built from the runs of each
// row, with identical neighbouring rows merged into one band.
QRegion MaskRegionFromImage(const QImage& mask);

// Loads the mask image, sizes the window to it and gives the window the region (see
// ApplyWindowShape). Returns the region, empty when the image cannot be loaded; the
// window then keeps its size and gets no shape.
QRegion BuildMaskRegion(QWidget* window, const std::string& maskPath);

// Gives a skinned window its shape. The mask limits input (and, on X11, what shows);
// the window is also made translucent, and its painting must leave everything outside
// the shape transparent (PaintInsideShape), since some compositors only take the
// input region from a mask.
void ApplyWindowShape(QWidget* window, const QRegion& shape);

// Paints `image` at (0, 0) clipped to `shape`, and clears the rest of the target.
// An empty shape paints the whole image.
void PaintInsideShape(QPainter& painter, const QImage& image, const QRegion& shape);

// The main window's size (the size of main_mask.jpg) and the repaint region of its
// macro page: the window's shape less the six control rectangles of that page.
extern int g_windowWidth;
extern int g_windowHeight;
extern QRegion g_macroRegion;

// The main window's shape from g_skinsDir + "/main_mask.jpg": sets g_windowWidth,
// g_windowHeight and g_macroRegion (the shape combined by exclusive-or with each of
// g_macroControlRects), resizes the window keeping its top-left corner and applies the
// shape. Without a mask image the size falls back to main_normal.jpg's. Returns the
// window's shape.
QRegion BuildMainWindowShape(QWidget* mainWindow);

// Path of a skin image: g_skinsDir + "/" + name.
std::string SkinImagePath(std::string_view name);

// Decoded skin images keyed by path. A file is decoded again only when its size or
// modification time changed; a missing or undecodable file gives a null image.
class SkinImageCache {
 public:
  // The image as decoded from the file's current version.
  QImage Image(const std::string& path);
  // The same image converted by PremultiplyAlpha (for PNG overlays).
  QImage PremultipliedImage(const std::string& path);

  void Clear();
  // Number of decodes done so far (tests, benchmarks).
  std::uint64_t DecodeCount() const { return decodes_; }

 private:
  struct Entry {
    bool exists = false;
    std::int64_t size = -1;
    std::int64_t mtimeNs = -1;
    QImage image;
    QImage premultiplied;
    bool premultipliedReady = false;
  };
  Entry& Fresh(const std::string& path);

  std::unordered_map<std::string, Entry> entries_;
  std::uint64_t decodes_ = 0;
};

// The process-wide cache used by every skinned window.
SkinImageCache& SkinImages();
