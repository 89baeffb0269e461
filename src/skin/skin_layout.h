// Skin layouts: the rectangles and captions of a window's controls (the BUTTONPOS table
// of a per-language layout file), the reader of the layout and language files and the
// hit test. UI thread only.
#pragma once

#include <QPoint>
#include <QRect>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

// One control of a skin table: its rectangle in the window's client pixels (the same
// pixels as the skin images).
struct SkinRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;

  // Left and top edges are inside, right and bottom edges outside; an empty or
  // negative size holds no point.
  bool Contains(int px, int py) const;
  // Built from the edges, which are kept inside the int range.
  QRect ToQRect() const;
  bool operator==(const SkinRect&) const = default;
};

// Layout values are bounded on reading, as the settings are: a layout file beside a
// build is the user's to edit. Coordinates stay within -32768..32767 and sizes within
// 0..32767, far beyond any window, so that every sum the painting and the hit tests
// make of them (an edge, a centred text, a slider's knob, a bar of the sound window)
// stays inside int.
inline constexpr std::int32_t kLayoutCoordinateMin = -32768;
inline constexpr std::int32_t kLayoutCoordinateMax = 32767;
inline constexpr std::int32_t kLayoutSizeMax = 32767;

// Where something `content` pixels long starts when centred on the `size` pixels from
// `start` (before `start` when it is the longer).
inline int CentredStart(int start, int size, int content) { return start + (size - content) / 2; }

// One parsed layout line: fields 1 to 4 as the rectangle, field 5 as the caption.
struct SkinButtonEntry {
  SkinRect rect;
  std::string caption;
};

// The seven text fields of one layout or text value.
using SkinFields = std::array<std::string, 7>;

// Splits a value by the comma rule of the layout files:
// - 0, 3 or 4 commas: field 0 is the whole value, fields 1 to 6 become empty;
// - 1 or 2 commas: fields 0 to 2 are the first three pieces (the last one runs to the
//   end, a missing one is empty); fields 3 to 6 keep what they held;
// - 5 or more commas: fields 0 to 5 are the first six pieces; with 6 or more commas
//   field 6 is the rest after the sixth comma, with exactly 5 it keeps what it held.
void SplitSkinValue(std::string_view value, SkinFields& fields);

// Reads key `entry` (decimal) of `section` in `file`, at most 259 characters, and splits
// it into `fields`. A missing file shows TipText entry 5 in the warning box and asks the
// main window to close (once; later reads of missing files stay silent since the
// program is ending); the read then yields an empty value. A file that is there but
// unusable is named as NameUnusableLayoutFile says.
void ReadIniList(const std::string& file, std::string_view section, int entry, SkinFields& fields);

// Names on standard error, once per file of a run, a layout or text file that is there
// but that none of the installation's could be: one that cannot be read, is larger
// than 1 MiB or holds NUL bytes (what is read of it then is empty or cut short).
void NameUnusableLayoutFile(const std::string& file);

// The entry made of fields 1 to 5 (numbers read like the INI convention, 0 when absent,
// then bounded as above).
SkinButtonEntry EntryFromFields(const SkinFields& fields);

// Index of the first rectangle holding the point (the lowest index wins where they
// overlap), or 255 when none does.
inline constexpr int kNoSkinHit = 255;
int HitTestRects(int px, int py, std::span<const SkinRect> rects);
inline int HitTestRects(QPoint p, std::span<const SkinRect> rects) { return HitTestRects(p.x(), p.y(), rects); }
inline int HitTestRects(QPoint p, const SkinRect* rects, int count) {
  return count > 0 ? HitTestRects(p.x(), p.y(), std::span<const SkinRect>(rects, static_cast<std::size_t>(count)))
                   : kNoSkinHit;
}

template <std::size_t N>
using SkinRectTable = std::array<SkinRect, N>;
template <std::size_t N>
using SkinCaptionTable = std::array<std::string, N>;

// Fills `rects` and `captions` from BUTTONPOS of one file, each entry from fresh fields
// so that a short line never inherits another line's values.
template <std::size_t N>
void LoadButtonTable(const std::string& file, SkinRectTable<N>& rects, SkinCaptionTable<N>& captions) {
  for (std::size_t i = 0; i < N; ++i) {
    SkinFields fields;
    ReadIniList(file, "BUTTONPOS", static_cast<int>(i), fields);
    SkinButtonEntry entry = EntryFromFields(fields);
    rects[i] = entry.rect;
    captions[i] = std::move(entry.caption);
  }
}

// A control rectangle held as edges (right = x + width).
struct ControlRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  // From the edges themselves, so that no width is computed that could overflow.
  QRect ToQRect() const { return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)); }
  bool operator==(const ControlRect&) const = default;
};
// A control rectangle (fields 1 to 4 of key `key` of `section`) held as edges.
ControlRect ReadControlRect(const std::string& file, std::string_view section, int key);

// Path of a file in the current language folder: g_skinsDir + folder + "/" + name.
std::string LanguageFilePath(std::string_view name);

// What a missing layout file of the main window does after its warning: the main
// window installs its close path here (it should end the program once control is back
// in the event loop).
void SetSkinFileMissingCloseHandler(std::function<void()> handler);
// Whether a missing layout file has asked the program to close.
bool SkinCloseRequested();
// Forgets that request, so that the next missing file is reported again (tests).
void ResetSkinCloseRequest();
