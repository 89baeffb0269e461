#include "art.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace skingen {

// ---------------------------------------------------------------------------------------
// Style

Style Style::Load(const std::string& path) {
  Style s;
  s.doc = IniDoc::Load(path);
  for (const auto& [key, value] : s.doc.Entries("colors")) {
    QColor c(QString::fromStdString(value));
    if (!c.isValid()) throw SourceError(path + ": [colors] " + key + " is not a colour: " + value);
    s.colors[key] = c;
  }
  for (const auto& [key, value] : s.doc.Entries("sizes")) s.sizes[key] = std::stoi(value);
  return s;
}

QColor Style::C(const std::string& name) const {
  auto it = colors.find(name);
  if (it == colors.end()) throw SourceError("style.ini: no colour '" + name + "'");
  return it->second;
}

int Style::N(const std::string& name) const {
  auto it = sizes.find(name);
  if (it == sizes.end()) throw SourceError("style.ini: no size '" + name + "'");
  return it->second;
}

namespace {

std::vector<int> Numbers(const Style& s, const std::string& section, const std::string& key, std::size_t count) {
  const std::string* v = s.doc.Get(section, key);
  if (!v) throw SourceError("style.ini: [" + section + "] " + key + " is missing");
  std::istringstream in(*v);
  std::vector<int> n;
  for (int x; in >> x;) n.push_back(x);
  if (n.size() != count)
    throw SourceError("style.ini: [" + section + "] " + key + " needs " + std::to_string(count) + " numbers");
  return n;
}

}  // namespace

QSize Style::Size(const std::string& section, const std::string& key) const {
  auto n = Numbers(*this, section, key, 2);
  return QSize(n[0], n[1]);
}

QPoint Style::Point(const std::string& section, const std::string& key) const {
  auto n = Numbers(*this, section, key, 2);
  return QPoint(n[0], n[1]);
}

QRect Style::Rect(const std::string& section, const std::string& key) const {
  auto n = Numbers(*this, section, key, 4);
  return QRect(n[0], n[1], n[2], n[3]);
}

QRect R(const LayoutEntry& e) { return QRect(e.x, e.y, e.w, e.h); }

// ---------------------------------------------------------------------------------------
// Fonts

QFont DigitFont(int pixelSize, int weight) {
  QFont f;
  f.setFamilies({"Roboto", "Liberation Sans", "DejaVu Sans"});
  f.setPixelSize(pixelSize);
  f.setWeight(static_cast<QFont::Weight>(weight));
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

QFont TextFont(int pixelSize, const QString& sample) {
  // The first face that has every letter of the sample, so each script gets a face
  // designed for it (CJK, Arabic, Cyrillic, Latin).
  const QStringList faces = {"Roboto",         "Noto Sans CJK SC", "Noto Sans CJK TC", "Noto Sans CJK JP",
                             "Noto Sans CJK KR", "DejaVu Sans",     "Liberation Sans"};
  QString chosen = "DejaVu Sans";
  for (const QString& face : faces) {
    QFont f(face);
    f.setPixelSize(pixelSize);
    if (QFontInfo(f).family() != face) continue;
    QFontMetricsF m(f);
    bool all = true;
    for (uint c : sample.toUcs4())
      if (c > ' ' && !m.inFontUcs4(c)) all = false;
    if (all) {
      chosen = face;
      break;
    }
  }
  QFont f(chosen);
  f.setPixelSize(pixelSize);
  f.setWeight(QFont::Medium);
  return f;
}

bool FontsCover(const QString& text) {
  for (uint c : text.toUcs4()) {
    if (c <= ' ') continue;
    bool found = false;
    for (const QString& family : QFontDatabase::families()) {
      QFont f(family);
      if (QFontMetricsF(f).inFontUcs4(c)) {
        found = true;
        break;
      }
    }
    if (!found) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Primitives

void FillRound(QPainter& p, const QRectF& r, qreal radius, const QColor& fill, const QColor& border) {
  p.save();
  p.setPen(border.isValid() ? QPen(border, 1.0) : Qt::NoPen);
  p.setBrush(fill.isValid() ? QBrush(fill) : Qt::NoBrush);
  QRectF box = border.isValid() ? r.adjusted(0.5, 0.5, -0.5, -0.5) : r;
  p.drawRoundedRect(box, radius, radius);
  p.restore();
}

namespace {

QColor Alpha(QColor c, int alpha) {
  c.setAlpha(alpha);
  return c;
}

QPen GlyphPen(const QColor& color, qreal width) {
  QPen pen(color, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

QPainterPath MouseShape(const QRectF& b) {
  // Top view: the front (buttons) at the top, a waist, a wider rounded back.
  const qreal l = b.left(), r = b.right(), t = b.top(), bt = b.bottom(), w = b.width(), h = b.height();
  const qreal cx = b.center().x();
  QPainterPath path;
  path.moveTo(cx, t);
  path.cubicTo(cx + w * 0.30, t, r - w * 0.06, t + h * 0.08, r - w * 0.04, t + h * 0.30);
  path.cubicTo(r - w * 0.02, t + h * 0.45, r - w * 0.10, t + h * 0.52, r - w * 0.07, t + h * 0.66);
  path.cubicTo(r, t + h * 0.86, cx + w * 0.26, bt, cx, bt);
  path.cubicTo(cx - w * 0.26, bt, l, t + h * 0.86, l + w * 0.07, t + h * 0.66);
  path.cubicTo(l + w * 0.10, t + h * 0.52, l + w * 0.02, t + h * 0.45, l + w * 0.04, t + h * 0.30);
  path.cubicTo(l + w * 0.06, t + h * 0.08, cx - w * 0.30, t, cx, t);
  path.closeSubpath();
  return path;
}

void DrawDigitBadge(QPainter& p, QPointF centre, qreal radius, int digit, const QColor& fill, const QColor& ring,
                    const QColor& text) {
  p.save();
  p.setPen(ring.isValid() ? QPen(ring, 1.5) : Qt::NoPen);
  p.setBrush(fill);
  p.drawEllipse(centre, radius, radius);
  p.setPen(text);
  p.setFont(DigitFont(static_cast<int>(radius * 1.25), QFont::Bold));
  p.drawText(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), Qt::AlignCenter,
             QString::number(digit));
  p.restore();
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Glyphs

void DrawGlyph(QPainter& p, const std::string& name, const QRectF& box, const QColor& color) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const qreal u = std::min(box.width(), box.height());
  const QPointF c = box.center();
  auto at = [&](qreal x, qreal y) { return QPointF(c.x() + x * u, c.y() + y * u); };
  p.setPen(GlyphPen(color, std::max<qreal>(1.6, u * 0.085)));
  p.setBrush(Qt::NoBrush);
  if (name == "min") {
    p.drawLine(at(-0.22, 0.02), at(0.22, 0.02));
  } else if (name == "close") {
    p.drawLine(at(-0.18, -0.18), at(0.18, 0.18));
    p.drawLine(at(0.18, -0.18), at(-0.18, 0.18));
  } else if (name == "chevron-down") {
    p.drawPolyline(QPolygonF({at(-0.16, -0.07), at(0, 0.09), at(0.16, -0.07)}));
  } else if (name == "chevron-right") {
    p.drawPolyline(QPolygonF({at(-0.07, -0.16), at(0.09, 0), at(-0.07, 0.16)}));
  } else if (name == "globe") {
    p.drawEllipse(c, u * 0.30, u * 0.30);
    p.drawEllipse(c, u * 0.13, u * 0.30);
    p.drawLine(at(-0.30, 0), at(0.30, 0));
  } else if (name == "import" || name == "export") {
    // A tray with an arrow going into it (import) or out of it (export).
    p.drawPolyline(QPolygonF({at(-0.30, 0.06), at(-0.30, 0.30), at(0.30, 0.30), at(0.30, 0.06)}));
    if (name == "import") {
      p.drawLine(at(0, -0.30), at(0, 0.12));
      p.drawPolyline(QPolygonF({at(-0.14, -0.02), at(0, 0.12), at(0.14, -0.02)}));
    } else {
      p.drawLine(at(0, 0.12), at(0, -0.30));
      p.drawPolyline(QPolygonF({at(-0.14, -0.16), at(0, -0.30), at(0.14, -0.16)}));
    }
  } else if (name == "reset") {
    QRectF ring(c.x() - u * 0.28, c.y() - u * 0.28, u * 0.56, u * 0.56);
    p.drawArc(ring, 100 * 16, 290 * 16);
    QPointF tip = at(-0.06, -0.28);
    p.drawPolyline(QPolygonF({tip + QPointF(u * 0.14, -u * 0.11), tip, tip + QPointF(u * 0.13, u * 0.12)}));
  } else if (name == "sound" || name == "level") {
    const qreal heights[] = {0.22, 0.40, 0.56, 0.34, 0.18};
    for (int i = 0; i < 5; ++i) {
      qreal x = (i - 2) * 0.13;
      p.drawLine(at(x, -heights[i] / 2), at(x, heights[i] / 2));
    }
  } else if (name == "record") {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(c, u * 0.17, u * 0.17);
  } else if (name == "insert") {
    p.drawLine(at(-0.18, 0), at(0.18, 0));
    p.drawLine(at(0, -0.18), at(0, 0.18));
  } else if (name == "gun") {
    p.drawEllipse(c, u * 0.22, u * 0.22);
    p.drawLine(at(0, -0.34), at(0, -0.10));
    p.drawLine(at(0, 0.10), at(0, 0.34));
    p.drawLine(at(-0.34, 0), at(-0.10, 0));
    p.drawLine(at(0.10, 0), at(0.34, 0));
  } else if (name == "right" || name == "left" || name == "up" || name == "down") {
    qreal angle = name == "right" ? 0 : name == "left" ? 180 : name == "up" ? -90 : 90;
    p.translate(c);
    p.rotate(angle);
    p.drawLine(QPointF(-u * 0.22, 0), QPointF(u * 0.20, 0));
    p.drawPolyline(QPolygonF({QPointF(u * 0.04, -u * 0.16), QPointF(u * 0.20, 0), QPointF(u * 0.04, u * 0.16)}));
  } else if (name == "ok" || name == "check") {
    p.drawPolyline(QPolygonF({at(-0.20, 0.01), at(-0.06, 0.15), at(0.20, -0.13)}));
  } else if (name == "power") {
    QRectF ring(c.x() - u * 0.24, c.y() - u * 0.22, u * 0.48, u * 0.48);
    p.drawArc(ring, 120 * 16, 300 * 16);
    p.drawLine(at(0, -0.30), at(0, -0.04));
  } else if (name == "save") {
    p.drawLine(at(0, -0.26), at(0, 0.10));
    p.drawPolyline(QPolygonF({at(-0.14, -0.04), at(0, 0.10), at(0.14, -0.04)}));
    p.drawLine(at(-0.24, 0.26), at(0.24, 0.26));
  } else if (name == "warning") {
    p.drawEllipse(c, u * 0.36, u * 0.36);
    p.drawLine(at(0, -0.18), at(0, 0.05));
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(at(0, 0.17), u * 0.045, u * 0.045);
  } else if (name == "flash") {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(QPolygonF({at(0.06, -0.34), at(-0.18, 0.04), at(-0.01, 0.04), at(-0.08, 0.34), at(0.18, -0.06),
                             at(0.01, -0.06)}));
  } else if (name == "rhythm") {
    QPainterPath wave;
    wave.moveTo(at(-0.32, 0));
    wave.cubicTo(at(-0.22, -0.34), at(-0.10, -0.34), at(0, 0));
    wave.cubicTo(at(0.10, 0.34), at(0.22, 0.34), at(0.32, 0));
    p.drawPath(wave);
  } else if (name == "mouse") {
    QRectF body(c.x() - u * 0.20, c.y() - u * 0.32, u * 0.40, u * 0.64);
    p.drawRoundedRect(body, u * 0.20, u * 0.20);
    p.drawLine(at(0, -0.32), at(0, -0.10));
  } else if (name == "logo") {
    QPolygonF hexagon;
    for (int i = 0; i < 6; ++i) {
      qreal a = (60.0 * i - 90.0) * M_PI / 180.0;
      hexagon << at(0.42 * std::cos(a), 0.42 * std::sin(a));
    }
    p.drawPolygon(hexagon);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(c, u * 0.13, u * 0.13);
  }
  p.restore();
}

// ---------------------------------------------------------------------------------------
// Looks

namespace {

struct LookName {
  std::string kind, arg;
};

LookName Split(const std::string& look) {
  std::size_t dash = look.find('-');
  if (dash == std::string::npos) return {look, ""};
  return {look.substr(0, dash), look.substr(dash + 1)};
}

// Fill and border of a plain control in a state.
void ControlBox(QPainter& p, const Style& s, const QRectF& r, qreal radius, State st) {
  switch (st) {
    case State::Normal: FillRound(p, r, radius, s.C("control"), s.C("controlBorder")); break;
    case State::Over: FillRound(p, r, radius, s.C("controlHover"), Alpha(s.C("accent"), 150)); break;
    case State::Down: FillRound(p, r, radius, s.C("accentDark"), s.C("accent")); break;
  }
}

QColor GlyphColor(const Style& s, State st) {
  return st == State::Normal ? s.C("glyph") : st == State::Over ? s.C("accent") : QColor(Qt::white);
}

void SliderTrack(QPainter& p, const Style& s, const LayoutEntry& e, State st, qreal centre, qreal thickness) {
  QRectF track(e.x, e.y + centre - thickness / 2, e.w, thickness);
  if (st == State::Down) {
    QLinearGradient g(track.topLeft(), track.topRight());
    g.setColorAt(0, s.C("accentDeep"));
    g.setColorAt(1, s.C("accent"));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(track, thickness / 2, thickness / 2);
  } else {
    FillRound(p, track, thickness / 2, st == State::Over ? s.C("trackHover") : s.C("track"));
  }
}

}  // namespace

void DrawLook(QPainter& p, const Style& s, const LayoutEntry& e, State st) {
  if (e.Empty()) return;
  const LookName look = Split(e.look);
  const QRectF r = R(e);
  const qreal radius = s.N("radius");
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const std::string& k = look.kind;

  if (k == "none" || k == "label" || k == "area") {
    // Nothing of their own: text is drawn by the program.
  } else if (k == "button") {
    ControlBox(p, s, r, radius, st);
  } else if (k == "primary") {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    QColor top = st == State::Over ? s.C("accent") : st == State::Down ? s.C("accentDark") : s.C("accentDeep");
    g.setColorAt(0, top.lighter(112));
    g.setColorAt(1, top.darker(118));
    p.setPen(QPen(st == State::Down ? s.C("accentDeep") : s.C("accent"), 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
  } else if (k == "tab") {
    if (st != State::Normal) {
      QLinearGradient g(r.topLeft(), r.bottomLeft());
      g.setColorAt(0, Alpha(s.C("accent"), 0));
      g.setColorAt(1, Alpha(s.C("accent"), st == State::Down ? 46 : 22));
      p.fillRect(r, g);
      QRectF bar(r.left() + 18, r.bottom() - 3, r.width() - 36, 3);
      FillRound(p, bar, 1.5, st == State::Down ? s.C("accent") : Alpha(s.C("accent"), 110));
    }
  } else if (k == "dropdown" || k == "langbutton") {
    ControlBox(p, s, r, radius, st);
    qreal g = std::min<qreal>(r.height(), 28);
    DrawGlyph(p, "chevron-down", QRectF(r.right() - g - 2, r.center().y() - g / 2, g, g), GlyphColor(s, st));
    if (k == "langbutton")
      DrawGlyph(p, "globe", QRectF(r.left() + 4, r.center().y() - g / 2, g, g), GlyphColor(s, st));
  } else if (k == "icon") {
    const std::string& g = look.arg;
    if (g == "min" || g == "close") {
      // Bare window buttons: only the glyph until hovered.
      bool danger = g == "close";
      if (st == State::Over) FillRound(p, r, radius, danger ? s.C("danger") : s.C("controlHover"));
      if (st == State::Down) FillRound(p, r, radius, danger ? s.C("dangerDeep") : s.C("accentDark"));
      qreal u = std::min(r.width(), r.height());
      DrawGlyph(p, g, QRectF(r.center().x() - u / 2, r.center().y() - u / 2, u, u),
                st == State::Normal ? s.C("muted") : QColor(Qt::white));
    } else if (g == "ok") {
      QColor fill = st == State::Over ? s.C("accent") : st == State::Down ? s.C("accentDark") : s.C("accentDeep");
      FillRound(p, r, r.height() / 2, fill, s.C("accent"));
      qreal u = r.height();
      DrawGlyph(p, "ok", QRectF(r.center().x() - u / 2, r.top(), u, u), Qt::white);
    } else if (r.width() > 2.2 * r.height()) {
      // A wide button: the glyph at the left, the caption (drawn by the program) centred.
      ControlBox(p, s, r, radius, st);
      qreal u = r.height() * 0.75;
      QColor c = g == "record" ? s.C("record") : GlyphColor(s, st);
      DrawGlyph(p, g, QRectF(r.left() + 12, r.center().y() - u / 2, u, u), c);
    } else {
      ControlBox(p, s, r, radius, st);
      qreal u = std::min(r.width(), r.height());
      DrawGlyph(p, g, QRectF(r.center().x() - u / 2, r.center().y() - u / 2, u, u), GlyphColor(s, st));
    }
  } else if (k == "profile") {
    // The profile's number, large, in a rounded tile.
    ControlBox(p, s, r, radius + 4, st);
    p.setPen(st == State::Normal ? s.C("glyph") : st == State::Over ? s.C("accent") : QColor(Qt::white));
    p.setFont(DigitFont(static_cast<int>(r.height() * 0.5), QFont::Bold));
    p.drawText(r, Qt::AlignCenter, QString::fromStdString(look.arg));
    if (st == State::Down) FillRound(p, QRectF(r.center().x() - 12, r.bottom() - 7, 24, 3), 1.5, s.C("accent"));
  } else if (k == "chip") {
    ControlBox(p, s, r, r.height() / 2, st);
  } else if (k == "segment") {
    // One half of a two-part selector: rounded on its outer side only.
    QPainterPath path;
    qreal rr = r.height() / 2;
    QRectF box = r.adjusted(0.5, 0.5, -0.5, -0.5);
    path.addRoundedRect(box, rr, rr);
    QPainterPath square;
    if (look.arg == "left") square.addRect(box.adjusted(box.width() / 2, 0, 0, 0));
    else square.addRect(box.adjusted(0, 0, -box.width() / 2, 0));
    path = path.united(square);
    QColor fill = st == State::Normal ? s.C("control") : st == State::Over ? s.C("controlHover") : s.C("accentDark");
    QColor border = st == State::Down ? s.C("accent") : s.C("controlBorder");
    p.setPen(QPen(border, 1));
    p.setBrush(fill);
    p.drawPath(path);
  } else if (k == "switch" || k == "switchrow") {
    QRectF track = r;
    if (k == "switchrow") {
      // The row's card is the same in every state; only the switch at its end changes.
      FillRound(p, QRectF(r.left() - 12, r.top(), r.width() + 12, r.height()), radius, s.C("card"), s.C("cardBorder"));
      track = QRectF(r.right() - 58, r.center().y() - 12, 48, 24);
    }
    bool on = st == State::Down;
    FillRound(p, track, track.height() / 2, on ? s.C("accentDeep") : st == State::Over ? s.C("trackHover") : s.C("track"),
              on ? s.C("accent") : QColor());
    qreal d = track.height() - 6;
    QPointF knob(on ? track.right() - 3 - d / 2 : track.left() + 3 + d / 2, track.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(on ? QColor(Qt::white) : s.C("muted"));
    p.drawEllipse(knob, d / 2, d / 2);
  } else if (k == "check") {
    qreal d = std::min(r.width(), r.height()) - 4;
    QRectF circle(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
    if (st == State::Down) {
      p.setPen(QPen(s.C("accent"), 1.5));
      p.setBrush(s.C("accentDeep"));
      p.drawEllipse(circle);
      DrawGlyph(p, "check", circle, Qt::white);
    } else {
      p.setPen(QPen(st == State::Over ? s.C("accent") : s.C("muted"), 1.5));
      p.setBrush(s.C("inset"));
      p.drawEllipse(circle);
    }
  } else if (k == "swatch") {
    FillRound(p, r.adjusted(-4, -4, 4, 4), radius, s.C("inset"), s.C("controlBorder"));
  } else if (k == "swatchpanel") {
    FillRound(p, r, radius, s.C("inset"), s.C("cardBorder"));
  } else if (k == "slider") {
    // The knob (moveRect.png, 12 pixels) is drawn by the program 6 or 5 pixels left of
    // the fill's end, at y, y + 13 or y - 5: the track runs through its centre.
    if (look.arg == "top") {
      SliderTrack(p, s, e, st, 6, 4);
    } else if (look.arg == "dpi") {
      SliderTrack(p, s, e, st, 19, 5);
      p.setPen(QPen(s.C("muted"), 1));
      for (int i = 1; i <= 17; ++i) {
        qreal x = e.x + i * e.w / 17.0 - 0.5;
        p.drawLine(QPointF(x, e.y + 28), QPointF(x, e.y + (i % 5 == 0 ? 35 : 32)));
      }
    } else {
      SliderTrack(p, s, e, st, 1.5, 3);
    }
  } else if (k == "value" || k == "field") {
    // A right-aligned value ("value-right") ends at its rectangle's edge: the box
    // reaches a little further so the text does not touch the border.
    QRectF box = look.arg == "right" ? r.adjusted(0, 0, 8, 0) : r;
    QColor border = k == "value" || st == State::Normal ? s.C("controlBorder")
                    : st == State::Over                 ? Alpha(s.C("accent"), 150)
                                                        : s.C("accent");
    FillRound(p, box, radius, s.C("inset"), border);
  } else if (k == "plate") {
    QColor fill = st == State::Normal ? s.C("card") : st == State::Over ? s.C("controlHover") : Alpha(s.C("accent"), 40);
    FillRound(p, r, radius / 2, fill);
    if (st == State::Down) FillRound(p, QRectF(r.left(), r.top() + 3, 3, r.height() - 6), 1.5, s.C("accent"));
    DrawDigitBadge(p, QPointF(r.left() + 15, r.center().y()), r.height() * 0.36, std::stoi(look.arg),
                   st == State::Down ? s.C("accent") : s.C("accentDark"), QColor(),
                   st == State::Down ? s.C("inset") : QColor(Qt::white));
  } else if (k == "fnbox") {
    QColor fill = st == State::Normal ? s.C("inset") : s.C("control");
    QColor border = st == State::Normal ? s.C("controlBorder") : st == State::Over ? Alpha(s.C("accent"), 170) : s.C("accent");
    FillRound(p, r, radius, fill, border);
    if (st == State::Down) FillRound(p, r.adjusted(2, 2, -2, -2), radius - 1, QColor(), Alpha(s.C("accent"), 90));
    qreal u = r.height();
    DrawGlyph(p, "chevron-down", QRectF(r.right() - u + 6, r.top(), u - 8, u), st == State::Normal ? s.C("muted") : s.C("accent"));
  } else if (k == "panel") {
    FillRound(p, r, radius + 2, s.C("card"), s.C("cardBorder"));
  } else if (k == "list" || k == "edit") {
    // Exactly the controls' own background, so nothing shows at their edges.
    FillRound(p, r.adjusted(-3, -3, 3, 3), radius / 2, QColor(), s.C("controlBorder"));
    p.fillRect(r, s.C(k));
  } else if (k == "picture") {
    FillRound(p, r.adjusted(-3, -3, 3, 3), radius, s.C("inset"), s.C("controlBorder"));
  } else if (k == "bar") {
    if (st == State::Down) {
      QLinearGradient g(r.topLeft(), r.bottomLeft());
      g.setColorAt(0.0, QColor("#7b5cff"));
      g.setColorAt(0.5, s.C("accent"));
      g.setColorAt(1.0, QColor("#7b5cff"));
      p.setPen(Qt::NoPen);
      p.setBrush(g);
      p.drawRoundedRect(r, 2, 2);
    } else {
      FillRound(p, r, 2, s.C("track").darker(140));
    }
  } else if (k == "mode") {
    ControlBox(p, s, r, radius + 2, st);
    qreal u = std::min(r.width(), r.height());
    DrawGlyph(p, look.arg, QRectF(r.center().x() - u / 2, r.center().y() - u / 2, u, u), GlyphColor(s, st));
  } else if (k == "logo") {
    qreal u = r.height();
    DrawGlyph(p, "logo", QRectF(r.left(), r.top(), u, u), s.C("accent"));
  } else {
    p.restore();
    throw SourceError("layout entry " + std::to_string(e.index) + ": unknown look '" + e.look + "'");
  }
  p.restore();
}

void DrawTable(QPainter& p, const Style& s, const Layout& layout, const std::string& table, State state, int first,
               int count) {
  int last = count < 0 ? layout.Count(table) : std::min(layout.Count(table), first + count);
  for (int pass = 0; pass < 2; ++pass)
    for (int i = first; i < last; ++i) {
      const LayoutEntry& e = layout.At(table, i);
      bool under = e.look == "panel" || e.look == "swatchpanel";
      if ((pass == 0) == under) DrawLook(p, s, e, state);
    }
}

// ---------------------------------------------------------------------------------------
// Decorations

void DrawMainFrame(QPainter& p, const Style& s, const Layout&) {
  const QSize size = s.Size("windows", "main");
  const int top = s.N("frameTop"), side = s.N("frameSide"), bottom = s.N("frameBottom");
  p.save();
  QLinearGradient bg(0, 0, 0, size.height());
  bg.setColorAt(0, s.C("window").lighter(108));
  bg.setColorAt(1, s.C("window"));
  p.fillRect(QRect(QPoint(0, 0), size), bg);
  p.fillRect(QRect(0, 0, size.width(), top), s.C("topbar"));
  p.fillRect(QRect(0, top, side, bottom - top), s.C("sidebar"));
  p.fillRect(QRect(0, bottom, size.width(), size.height() - bottom), s.C("bottombar"));
  p.fillRect(QRect(0, top, size.width(), 1), s.C("line"));
  p.fillRect(QRect(side, top + 1, 1, bottom - top - 1), s.C("line"));
  p.fillRect(QRect(0, bottom, size.width(), 1), s.C("line"));
  // A thin accent line along the top edge.
  QLinearGradient glow(0, 0, size.width(), 0);
  glow.setColorAt(0, Alpha(s.C("accent"), 0));
  glow.setColorAt(0.5, Alpha(s.C("accent"), 160));
  glow.setColorAt(1, Alpha(s.C("accent"), 0));
  p.fillRect(QRect(0, 0, size.width(), 2), glow);
  p.restore();
}

void DrawMainPageDecor(QPainter& p, const Style& s, const Layout& main) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF body = s.Rect("mouse", "body");
  QRadialGradient halo(body.center(), body.height() * 0.62);
  halo.setColorAt(0, Alpha(s.C("accent"), 34));
  halo.setColorAt(1, Alpha(s.C("accent"), 0));
  p.fillRect(body.adjusted(-160, -60, 160, 60), halo);

  // Callout lines from each button's box to its mark on the picture.
  for (int i = 0; i < 10; ++i) {
    const LayoutEntry& plate = main[35 + i];
    const LayoutEntry& box = main[20 + i];
    if (plate.Empty() || box.Empty() || plate.look.rfind("plate-", 0) != 0) continue;
    QPointF mark = s.Point("mouse", "mark" + plate.look.substr(6));
    bool left = box.x < body.center().x();
    QPointF start(left ? box.Right() + 6 : box.x - 6, box.y + box.h / 2.0);
    QPointF elbow(start.x() + (left ? 60 : -60), start.y());
    p.setPen(QPen(Alpha(s.C("muted"), 110), 1.2));
    p.drawPolyline(QPolygonF({start, elbow, mark}));
    p.setPen(Qt::NoPen);
    p.setBrush(s.C("accent"));
    p.drawEllipse(start, 2.5, 2.5);
  }

  QPainterPath shape = MouseShape(body);
  QLinearGradient fill(body.topLeft(), body.bottomRight());
  fill.setColorAt(0, s.C("mouseBody").lighter(125));
  fill.setColorAt(1, s.C("mouseBody").darker(115));
  p.setPen(QPen(s.C("mouseEdge"), 1.6));
  p.setBrush(fill);
  p.drawPath(shape);
  // Button split, wheel, DPI button and side buttons.
  const qreal cx = body.center().x(), t = body.top(), h = body.height(), w = body.width();
  p.setPen(QPen(s.C("mouseEdge"), 1.4));
  p.drawLine(QPointF(cx, t), QPointF(cx, t + h * 0.16));
  QPainterPath split;
  split.moveTo(body.left() + w * 0.04, t + h * 0.40);
  split.cubicTo(QPointF(cx - w * 0.25, t + h * 0.44), QPointF(cx + w * 0.25, t + h * 0.44),
                QPointF(body.right() - w * 0.04, t + h * 0.40));
  p.setBrush(Qt::NoBrush);
  p.drawPath(split);
  p.drawLine(QPointF(cx, t + h * 0.36), QPointF(cx, t + h * 0.43));
  QRectF wheel(cx - w * 0.065, t + h * 0.16, w * 0.13, h * 0.17);
  FillRound(p, wheel, w * 0.06, s.C("inset"), s.C("mouseEdge"));
  for (int i = 1; i < 6; ++i)
    p.fillRect(QRectF(wheel.left() + 3, wheel.top() + i * wheel.height() / 6, wheel.width() - 6, 1), s.C("mouseEdge"));
  FillRound(p, QRectF(cx - w * 0.05, t + h * 0.37 - h * 0.02, w * 0.10, h * 0.06), 4, s.C("mouseEdge").darker(130), s.C("mouseEdge"));
  // Accent light strip around the back.
  QPainterPath strip;
  strip.moveTo(body.left() + w * 0.10, t + h * 0.70);
  strip.cubicTo(QPointF(body.left() + w * 0.12, body.bottom() - h * 0.02), QPointF(body.right() - w * 0.12, body.bottom() - h * 0.02),
                QPointF(body.right() - w * 0.10, t + h * 0.70));
  p.setPen(QPen(Alpha(s.C("accent"), 200), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(strip);

  // Side buttons, then the numbered marks.
  for (const char* key : {"mark4", "mark5", "mark7", "mark8"}) {
    QPointF m = s.Point("mouse", key);
    FillRound(p, QRectF(m.x() - 6, m.y() - 20, 12, 40), 5, s.C("mouseEdge").darker(120), s.C("mouseEdge"));
  }
  for (int n = 1; n <= 10; ++n) {
    if (!s.doc.Get("mouse", "mark" + std::to_string(n))) continue;
    QPointF m = s.Point("mouse", "mark" + std::to_string(n));
    DrawDigitBadge(p, m, 10, n, s.C("accentDark"), s.C("accent"), Qt::white);
  }
  p.restore();
}

namespace {

QRect Bounds(const Layout& l, const std::string& table, const std::vector<int>& entries) {
  QRect b;
  for (int i : entries) {
    const LayoutEntry& e = l.At(table, i);
    if (!e.Empty()) b = b.united(R(e));
  }
  return b;
}

std::vector<int> Range(int from, int to) {
  std::vector<int> v;
  for (int i = from; i <= to; ++i) v.push_back(i);
  return v;
}

}  // namespace

void DrawAdvancedDecor(QPainter& p, const Style& s, const Layout& adv) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  std::vector<int> dpi = Range(47, 82);
  dpi.push_back(0);
  QRect dpiCard = Bounds(adv, "BUTTONPOS", dpi).adjusted(-16, -8, 16, 16);
  std::vector<int> pointer = {1, 2, 3, 4, 5, 6, 7, 9, 18, 19, 31, 32, 34};
  QRect pointerCard = Bounds(adv, "BUTTONPOS", pointer).adjusted(-16, -8, 16, 16);
  dpiCard.setBottom(std::max(dpiCard.bottom(), pointerCard.bottom()));
  pointerCard.setBottom(dpiCard.bottom());
  FillRound(p, dpiCard, s.N("radius") + 2, s.C("card"), s.C("cardBorder"));
  FillRound(p, pointerCard, s.N("radius") + 2, s.C("card"), s.C("cardBorder"));
  // Lines between the six level rows and under the headings.
  for (int j = 0; j < 6; ++j) {
    const LayoutEntry& row = adv[60 + j];
    if (row.Empty()) continue;
    int y = row.y - 6;
    p.fillRect(QRect(dpiCard.left() + 12, y, dpiCard.width() - 24, 1), s.C("line"));
  }
  for (int heading : {3, 7}) {
    const LayoutEntry& e = adv[heading];
    if (!e.Empty()) p.fillRect(QRect(pointerCard.left() + 12, e.Bottom() + 4, pointerCard.width() - 24, 1), s.C("line"));
  }
  p.restore();
}

void DrawMacroDecor(QPainter& p, const Style& s, const Layout& mac) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QRect side = Bounds(mac, "BUTTONPOS", {6, 7, 8, 12, 13, 14, 15, 16});
  side = side.united(R(mac.At("EDIT", 2))).united(R(mac.At("MACRODISPLAY", 3))).adjusted(-12, -8, 12, 12);
  FillRound(p, side, s.N("radius") + 2, s.C("card"), s.C("cardBorder"));
  p.restore();
}

void DrawLightingDecor(QPainter& p, const Style& s, const Layout& led) {
  p.save();
  const LayoutEntry& area = led[78];
  const LayoutEntry& selector = led[17];
  if (!area.Empty() && !selector.Empty())
    p.fillRect(QRect(area.x + 16, selector.Bottom() + 4, area.w - 32, 1), s.C("line"));
  p.restore();
}

void DrawAlternateArea(QPainter& p, const Style& s, const Layout& led) {
  const LayoutEntry& area = led[78];
  if (area.Empty()) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QRectF r = R(area);
  p.fillRect(r, s.C("window"));
  FillRound(p, r.adjusted(16, 12, -16, -12), s.N("radius") + 2, s.C("card"), s.C("cardBorder"));
  // The mouse glowing on its own, beside the lines of the description.
  QRect lines = Bounds(led, "BUTTONPOS", {21, 22, 23, 24, 25});
  QPointF centre(lines.isEmpty() ? r.center().x() : (lines.right() + r.right()) / 2.0,
                 lines.isEmpty() ? r.center().y() : lines.center().y());
  QRectF icon(centre.x() - 48, centre.y() - 48, 96, 96);
  QRadialGradient halo(icon.center(), 90);
  halo.setColorAt(0, Alpha(s.C("accent"), 70));
  halo.setColorAt(1, Alpha(s.C("accent"), 0));
  p.fillRect(QRectF(icon.center().x() - 90, icon.center().y() - 90, 180, 180), halo);
  QRectF body(icon.center().x() - 26, icon.top() + 6, 52, 84);
  p.setPen(QPen(s.C("mouseEdge"), 1.5));
  p.setBrush(s.C("mouseBody"));
  p.drawPath(MouseShape(body));
  p.setPen(QPen(s.C("accent"), 2.5, Qt::SolidLine, Qt::RoundCap));
  for (int i = 1; i <= 2; ++i) {
    qreal d = 14.0 * i;
    p.drawArc(body.adjusted(-d, -d / 2, d, d / 2), 30 * 16, 120 * 16);
  }
  p.restore();
}

void DrawPopupBackground(QPainter& p, const Style& s, QSize size, const std::string& headerGlyph, bool rounded) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(QRect(QPoint(0, 0), size), s.C("window"));
  QRectF r(0, 0, size.width(), size.height());
  FillRound(p, r, rounded ? s.N("popupMaskRadius") : 0, s.C("card"), s.C("cardBorder"));
  QLinearGradient glow(0, 0, size.width(), 0);
  glow.setColorAt(0, Alpha(s.C("accent"), 0));
  glow.setColorAt(0.5, Alpha(s.C("accent"), 190));
  glow.setColorAt(1, Alpha(s.C("accent"), 0));
  p.fillRect(QRectF(s.N("popupMaskRadius"), 1, size.width() - 2 * s.N("popupMaskRadius"), 2), glow);
  if (!headerGlyph.empty()) DrawGlyph(p, headerGlyph, QRectF(18, 14, 32, 32), s.C("accent"));
  p.restore();
}

QImage MaskImage(QSize size, int radius) {
  QImage img(size, QImage::Format_RGB32);
  img.fill(Qt::white);
  // No antialiasing: every pixel is clearly in (black) or out (white).
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  if (radius <= 0) {
    p.drawRect(QRect(QPoint(0, 0), size));
  } else {
    p.drawRect(QRect(radius, 0, size.width() - 2 * radius, size.height()));
    p.drawRect(QRect(0, radius, size.width(), size.height() - 2 * radius));
    const int d = 2 * radius;
    for (QPoint c : {QPoint(0, 0), QPoint(size.width() - d, 0), QPoint(0, size.height() - d),
                     QPoint(size.width() - d, size.height() - d)})
      p.drawEllipse(QRect(c, QSize(d, d)));
  }
  p.end();
  return img;
}

QImage MenuImage(const Style& s, QSize size, int rowHeight, State state, const std::vector<int>& cascade,
                 const std::vector<int>& separator) {
  QImage img(size, QImage::Format_RGB32);
  img.fill(s.C("menu"));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const int rows = size.height() / rowHeight;
  for (int r = 1; r <= rows; ++r) {
    QRectF row(0, (r - 1) * rowHeight, size.width(), rowHeight);
    bool isSeparator = std::find(separator.begin(), separator.end(), r) != separator.end();
    if (isSeparator) {
      p.fillRect(QRectF(10, row.center().y(), size.width() - 20, 1), s.C("controlBorder"));
      continue;
    }
    if (state == State::Over) {
      p.fillRect(row, Alpha(s.C("accent"), 34));
      p.fillRect(QRectF(0, row.top() + 2, 3, rowHeight - 4), s.C("accent"));
    } else if (state == State::Down) {
      p.fillRect(row, s.C("accentDark"));
      p.fillRect(QRectF(0, row.top() + 2, 3, rowHeight - 4), s.C("accent"));
    }
    if (r > 1) p.fillRect(QRectF(8, row.top(), size.width() - 16, 1), s.C("menuLine"));
    if (std::find(cascade.begin(), cascade.end(), r) != cascade.end()) {
      qreal u = std::min(rowHeight, 24);
      DrawGlyph(p, "chevron-right", QRectF(size.width() - u - 4, row.center().y() - u / 2, u, u),
                state == State::Normal ? s.C("muted") : QColor(Qt::white));
    }
  }
  p.setPen(QPen(s.C("controlBorder"), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1));
  return img;
}

QImage GunPicture(const Style& s, QSize size, int number) {
  QImage img(size, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient bg(0, 0, 0, size.height());
  bg.setColorAt(0, s.C("card").lighter(130));
  bg.setColorAt(1, s.C("inset"));
  p.fillRect(img.rect(), bg);
  p.setPen(QPen(Alpha(s.C("accent"), 26), 1));
  for (int x = 10; x < size.width(); x += 20) p.drawLine(x, 0, x, size.height());
  for (int y = 10; y < size.height(); y += 20) p.drawLine(0, y, size.width(), y);

  // A side view of a generic rifle. The presets differ in barrel length, stock, magazine
  // and sight, so each preset has a picture of its own.
  const int v = number - 1;
  const qreal W = size.width(), H = size.height();
  auto P = [&](qreal x, qreal y) { return QPointF(x * W, y * H); };
  const qreal muzzle = 0.80 + 0.04 * (v % 4);
  QPainterPath body;
  // Receiver and handguard.
  body.addPolygon(QPolygonF({P(0.30, 0.40), P(0.66, 0.40), P(0.70, 0.43), P(0.70, 0.53), P(0.52, 0.55),
                             P(0.47, 0.56), P(0.30, 0.56)}));
  body.addRoundedRect(QRectF(P(0.62, 0.415), P(0.76, 0.525)), 3, 3);
  // Barrel with a muzzle device.
  body.addRect(QRectF(P(0.76, 0.445), P(muzzle, 0.49)));
  body.addRoundedRect(QRectF(P(muzzle - 0.04, 0.43), P(muzzle, 0.505)), 2, 2);
  // Stock: solid or skeleton.
  if (v % 2 == 0) {
    body.addPolygon(QPolygonF({P(0.30, 0.42), P(0.10, 0.44), P(0.07, 0.47), P(0.07, 0.64), P(0.12, 0.64),
                               P(0.30, 0.55)}));
  } else {
    QPainterPath frame;
    frame.addPolygon(QPolygonF({P(0.30, 0.42), P(0.09, 0.45), P(0.09, 0.63), P(0.14, 0.63), P(0.30, 0.55)}));
    QPainterPath hole;
    hole.addPolygon(QPolygonF({P(0.26, 0.465), P(0.135, 0.485), P(0.135, 0.58), P(0.165, 0.58), P(0.26, 0.53)}));
    body.addPath(frame.subtracted(hole));
  }
  // Pistol grip and trigger guard.
  body.addPolygon(QPolygonF({P(0.36, 0.55), P(0.42, 0.55), P(0.40, 0.78), P(0.34, 0.78)}));
  QPainterPath guard;
  guard.addRoundedRect(QRectF(P(0.42, 0.55), P(0.50, 0.63)), 4, 4);
  QPainterPath guardHole;
  guardHole.addRoundedRect(QRectF(P(0.43, 0.555), P(0.49, 0.615)), 3, 3);
  body.addPath(guard.subtracted(guardHole));
  // Magazine: straight or curved.
  if (v % 3 == 1) {
    body.addPolygon(QPolygonF({P(0.51, 0.55), P(0.57, 0.55), P(0.58, 0.82), P(0.52, 0.82)}));
  } else {
    QPainterPath mag;
    mag.moveTo(P(0.51, 0.55));
    mag.lineTo(P(0.575, 0.55));
    mag.quadTo(P(0.585, 0.70), P(0.63, 0.80));
    mag.lineTo(P(0.57, 0.84));
    mag.quadTo(P(0.52, 0.72), P(0.51, 0.55));
    body.addPath(mag);
  }
  // Sight: a scope, a small red-dot sight, or iron sights.
  if (v % 4 == 0 || v % 4 == 3) {
    body.addRoundedRect(QRectF(P(0.36, 0.27), P(0.60, 0.345)), 6, 6);
    body.addRect(QRectF(P(0.33, 0.285), P(0.36, 0.335)));
    body.addRect(QRectF(P(0.60, 0.285), P(0.64, 0.335)));
    body.addRect(QRectF(P(0.41, 0.345), P(0.44, 0.40)));
    body.addRect(QRectF(P(0.53, 0.345), P(0.56, 0.40)));
  } else if (v % 4 == 1) {
    body.addRoundedRect(QRectF(P(0.42, 0.31), P(0.52, 0.40)), 4, 4);
  } else {
    body.addRect(QRectF(P(0.33, 0.35), P(0.36, 0.40)));
    body.addRect(QRectF(P(0.72, 0.36), P(0.74, 0.415)));
  }
  body.setFillRule(Qt::WindingFill);
  QPainterPath outline = body.simplified();
  QLinearGradient shade(0, 0.25 * H, 0, 0.85 * H);
  shade.setColorAt(0, QColor("#c4cad6"));
  shade.setColorAt(0.5, QColor("#8d95a5"));
  shade.setColorAt(1, QColor("#5d6472"));
  p.setPen(Qt::NoPen);
  p.setBrush(Alpha(s.C("accent"), 40));
  p.drawPath(outline.translated(0, 3));
  p.setPen(QPen(Alpha(s.C("accent"), 220), 1.2));
  p.setBrush(shade);
  p.drawPath(outline);
  DrawDigitBadge(p, QPointF(18, 18), 11, number, s.C("accentDark"), s.C("accent"), Qt::white);
  p.end();
  return img;
}

QImage KnobImage(const Style& s) {
  const int n = s.N("knob");
  QImage img(n, n, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QPointF c(n / 2.0, n / 2.0);
  p.setPen(Qt::NoPen);
  p.setBrush(Alpha(s.C("accent"), 90));
  p.drawEllipse(c, n / 2.0, n / 2.0);
  p.setBrush(Qt::white);
  p.setPen(QPen(s.C("accent"), 2));
  p.drawEllipse(c, n / 2.0 - 2, n / 2.0 - 2);
  p.end();
  return img;
}

QImage BadgeImage(const Style& s, const QString& text) {
  QFont font = TextFont(13, text);
  QFontMetricsF m(font);
  const int h = 28;
  const int w = static_cast<int>(std::ceil(m.horizontalAdvance(text))) + 46;
  QImage img(std::min(w, 320), h, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  FillRound(p, QRectF(0, 0, img.width(), h), h / 2.0, Alpha(s.C("accentDark"), 235), s.C("accent"));
  DrawGlyph(p, "gun", QRectF(4, 2, 24, 24), Qt::white);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRectF(32, 0, img.width() - 40, h), Qt::AlignVCenter | Qt::AlignLeft, text);
  p.end();
  return img;
}

QImage LanguagePicture(const Style& s, QSize size, const QString& name, bool hovered) {
  QImage img(size, QImage::Format_RGB32);
  img.fill(s.C("menu"));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  if (hovered) {
    p.fillRect(img.rect(), Alpha(s.C("accent"), 34));
    p.fillRect(QRectF(0, 2, 3, size.height() - 4), s.C("accent"));
  }
  p.setFont(TextFont(14, name));
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 0, size.width(), size.height()), Qt::AlignCenter, name);
  p.end();
  return img;
}

}  // namespace skingen
