// Drawing of the skin images: the style, the looks of the controls in their three
// states, the glyphs, and the decorations of each window. Everything is drawn from the
// layout entries, so an image and its layout cannot disagree.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include <map>
#include <string>

#include "skin_source.h"

namespace skingen {

enum class State { Normal, Over, Down };

struct Style {
  std::map<std::string, QColor> colors;
  std::map<std::string, int> sizes;
  IniDoc doc;

  static Style Load(const std::string& path);
  QColor C(const std::string& name) const;
  int N(const std::string& name) const;
  QSize Size(const std::string& section, const std::string& key) const;
  QPoint Point(const std::string& section, const std::string& key) const;
  QRect Rect(const std::string& section, const std::string& key) const;
};

QRect R(const LayoutEntry& e);

// Fonts of the pictures: digits and the language pictures' texts.
QFont DigitFont(int pixelSize, int weight = QFont::DemiBold);
QFont TextFont(int pixelSize, const QString& sample);
// True when some installed font can draw every letter of the text.
bool FontsCover(const QString& text);

void FillRound(QPainter& p, const QRectF& r, qreal radius, const QColor& fill, const QColor& border = QColor());

// A glyph (icon) named by `name`, drawn into the square `box` in `color`.
void DrawGlyph(QPainter& p, const std::string& name, const QRectF& box, const QColor& color);

// The look of one layout entry in one state, kept inside its rectangle (a static part
// that is the same in every state may reach outside it).
void DrawLook(QPainter& p, const Style& s, const LayoutEntry& e, State state);

// Draws every entry of a table: panels first, then the others in index order.
void DrawTable(QPainter& p, const Style& s, const Layout& layout, const std::string& table, State state,
               int first = 0, int count = -1);

// Window decorations (static: the same in every state).
void DrawMainFrame(QPainter& p, const Style& s, const Layout& main);
void DrawMainPageDecor(QPainter& p, const Style& s, const Layout& main);
void DrawAdvancedDecor(QPainter& p, const Style& s, const Layout& advanced);
void DrawMacroDecor(QPainter& p, const Style& s, const Layout& mac);
void DrawLightingDecor(QPainter& p, const Style& s, const Layout& led);
void DrawAlternateArea(QPainter& p, const Style& s, const Layout& led);
// A popup's card; `rounded` when a mask cuts its corners (else the window is the full
// rectangle and the card fills it).
void DrawPopupBackground(QPainter& p, const Style& s, QSize size, const std::string& headerGlyph, bool rounded);

// The mask of a window: black inside the shape (kept), white outside (cut), hard edges.
QImage MaskImage(QSize size, int radius);

// Menu images: `rows` rows of `rowHeight`; `cascade` lists rows (1-based) that open a
// submenu, `separator` rows that hold a dividing line only.
QImage MenuImage(const Style& s, QSize size, int rowHeight, State state, const std::vector<int>& cascade,
                 const std::vector<int>& separator);

QImage GunPicture(const Style& s, QSize size, int number);
QImage KnobImage(const Style& s);
QImage BadgeImage(const Style& s, const QString& text);
QImage LanguagePicture(const Style& s, QSize size, const QString& name, bool hovered);

}  // namespace skingen
