// Painting of the main window's pages: each paint composes the current page from its
// "_normal", "_over" and "_down" skin images and draws the live state on top (selected
// tab and profile, hovered or pressed control, slider fills and knobs, colour swatches,
// selected options, greyed-out lighting controls, every label). Also the two colour
// pickers, the lighting-step list of the macro page and the colours of the page's
// child controls. UI thread only.
#pragma once

#include <QColor>
#include <QImage>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "skin/skin_image.h"
#include "skin/skin_layout.h"

class QPainter;
class QRegion;
class QWidget;

// Number of entries that PaintAssignmentLabels handles on each page (the 20 frame
// entries followed by the page's own).
inline constexpr std::array<int, 4> kPageLabelCounts = {75, 103, 40, 123};

// The main window's paint: composes the page and copies it into the window's shape.
void OnPaint(QPainter& painter);
// While the main window is minimised or hidden, the page images are released and the
// lighting preview rests (it starts again when the window comes back on that page).
void InstallPagePainting();

// The current page composed as OnPaint shows it (g_windowWidth x g_windowHeight, or
// the normal image's size while those are 0).
QImage ComposeCurrentPage();
// The same, composed again only inside `area` (empty: everywhere) into the one page
// buffer that every paint reuses; outside `area` the buffer keeps what it held. Inside
// it the pixels are exactly those of a whole composition. The cache keeps only the
// shown page's images: a page change drops the previous page's.
const QImage& ComposePageArea(const QRegion& area);
// Empties the decoded-image cache and drops the page buffer. Done when the main window
// is minimised or hidden (InstallPagePainting watches it); safe to call at any time.
void ReleasePageImages();

// What a change of the hovered entries changes on page `page`: the old and the new
// hovered control of the frame table (with a main-page button's partner entry and its
// left-click picture) and of the page's own table. Empty when nothing shown changes.
QRegion HoverChangeArea(int page, int frameBefore, int frameNow, int pageBefore, int pageNow);

// Draws the state of the current page into `target`, which holds the page's normal
// image: the hovered entry of `table`, then the page's own state.
void PaintPage(QImage& target, const SkinSource& over, const SkinSource& down, std::span<const SkinRect> table,
               int hovered);
// The frame buttons 0 to 19: selected profile, the tab of the shown page, the hovered one.
void PaintTabs(QImage& target, const SkinSource& over, const SkinSource& down, int tabEntry);
// Every text of the page's first `count` entries (frame entries first).
void PaintAssignmentLabels(QImage& target, int count);
// The slider knob (moveRect.png) with its top-left corner at (x, y).
void DrawMoveRect(int x, int y, QPainter& target);

// The label of a main-page button: what its assignment code stands for, cut to 16
// characters followed by "..." when longer.
std::string AssignmentLabel(int profile, int button);
std::string CutLabel(const std::string& text);

// The DPI value shown for a DPI step ("" for a step whose code has no value).
std::string DpiValueText(int step);

// Lighting entries drawn from the disabled look, and labels left empty, for an effect.
std::vector<int> LedDisabledEntries(int effect);
bool LedLabelUnused(int effect, int entry);

// ---- Colours ----------------------------------------------------------------------------

// The 4-bit level of a colour byte: (255 - c) / 16. Shown again as 255 - 16 x level.
int ColorByteToLevel(int byte);

// What the colour dialog chose, or nothing when it was cancelled. Tests replace it.
using ColorChooser = std::function<std::optional<QColor>()>;
void SetColorChooser(ColorChooser chooser);
// The colour dialog for DPI level entry - 77, and for user colour n (0 to 6). On OK the
// levels and the shown colour change; the window is repainted either way.
void PickDpiColor(int entry);
void PickUserLedColor(int n);

// ---- Lighting-step list of the macro page --------------------------------------------

// Step kind of the lighting block shown in the lighting-step list.
extern std::uint16_t g_ledBlockStepKind;

// The rows of the lighting-step list for one 68-byte lighting block. Sets
// g_ledBlockStepKind and may correct bytes 4 and 5 of the block as FillLedSubList does.
std::vector<std::string> LedStepRows(std::array<std::uint8_t, 68>& block);
// Refills g_ledSubList with lighting block b of the macro being edited; returns the rows.
std::vector<std::string> FillLedSubList(int block);

// ---- Child controls ------------------------------------------------------------------

// Colours of the page's child controls: edits white on black, list boxes on RGB 22, 22, 22.
void ApplyControlColors(QWidget* control);
