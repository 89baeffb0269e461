// The UI fonts: forty fonts in eight sets of five sizes, sized by the display scale so
// that text keeps its pixel size on the fixed-size skin images, the embedded font
// resources, and the font that each language draws with. UI thread only.
#pragma once

#include <QFont>

#include <array>
#include <optional>

class QPainter;

inline constexpr int kFontSets = 8;
inline constexpr int kFontSizes = 5;

// Font `size` (1 to 5) of set `set` (0 to 7) is g_fonts[set * 5 + size - 1]; a font not
// made yet is empty. Sets 5 and 7 are never made.
extern std::array<std::optional<QFont>, kFontSets * kFontSizes> g_fonts;
// 1 once the embedded sets (1, 2, 3, 4 and 6) exist; never goes back to 0.
extern int g_embeddedFontsLoaded;

// The base size B (tenths of a point) for a display scale (pixels per logical inch / 96):
// 87 at 1.0, 63 at 1.25, 53 at 1.5, 43 at 1.75 and 2.0, 30 at any other scale.
int FontBaseForScale(float scale);
int FontBaseForDpi(double logicalDpi);

// B from the primary screen's logical DPI, then CreateUiFonts(B), then a repaint of the
// whole main window.
void SetupFontsForDpi();

// Makes the font sets for base size B, as the current language's LanguageText.ini says
// (UniqueName_MouseKey: fontFlag, font, fontName):
// - fontFlag not 0: the font file g_skinsDir + font is added and set 0 gets fontName;
// - fontFlag empty, embedded fonts not loaded yet: the embedded fonts are added and
//   sets 1 (Roboto), 3 (Cairo), 6 (Arial), 2 and 4 (微软雅黑) are made;
// - otherwise set 0 gets 微软雅黑 (languages 0 and 12) or Arial (the others).
void CreateUiFonts(int base);

// Adds the embedded font resource `id` of `type` (":/<type>/<id>") to the program's
// fonts. A missing resource does nothing; one that cannot be added shows TipText
// entry 6 in the warning box.
void LoadEmbeddedFont(int id, const char* type);

// The font SelectUiFont gives for `size` in the current language, or null when that
// size is outside 1 to 5 or its font was not made.
const QFont* UiFont(int size);
// Font `size` of `set`, or null.
const QFont* FontOf(int set, int size);

// Sets the painter's font to UiFont(size); nothing when there is none.
void SelectUiFont(QPainter& painter, int size);

// Forgets the five fonts of set 0 (the language drop-down does so before the display
// reload remakes them).
void DeleteFontSet0();

// The installed faces that stand in for faces Linux lacks (微软雅黑, Arial, Cairo).
// Installed once by CreateUiFonts; safe to call again.
void InstallFaceSubstitutions();
