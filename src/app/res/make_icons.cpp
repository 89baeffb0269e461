// Draws the program's icons into a folder as PNG files:
//   159_<size>.png   the program icon (window, taskbar, tray) at 16 .. 256 pixels
//   169.png .. 182.png  the 16 x 16 icons of the macro page's lists
// The files in src/app/res are made by it:
//   cmake --build <build> --target make_icons && <build>/tools/make_icons src/app/res
// Shapes only (no text), so that no font is needed.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <cstdio>
#include <functional>

namespace {

const QColor kAccent(7, 188, 255);
const QColor kLight(226, 232, 240);
const QColor kDim(150, 160, 172);

QImage Canvas(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

bool Save(const QImage& image, const QString& folder, const QString& name) {
  const QString path = folder + "/" + name;
  if (!image.save(path, "PNG")) {
    std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

// The program icon: a dark rounded tile with the mouse's outline, its wheel lit.
QImage ProgramIcon(int size) {
  QImage image = Canvas(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 256.0, size / 256.0);

  QLinearGradient tile(0, 0, 0, 256);
  tile.setColorAt(0, QColor(38, 44, 54));
  tile.setColorAt(1, QColor(16, 19, 24));
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(8, 8, 240, 240), 52, 52);

  // Body of the mouse.
  QPainterPath body;
  body.addRoundedRect(QRectF(70, 34, 116, 188), 58, 58);
  p.setBrush(QColor(30, 35, 43));
  p.setPen(QPen(kAccent, size <= 24 ? 16 : 11));
  p.drawPath(body);
  // Split between the two buttons.
  p.setPen(QPen(kAccent, size <= 24 ? 12 : 8, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(128, 40), QPointF(128, 78));
  p.drawLine(QPointF(76, 112), QPointF(180, 112));
  // The wheel.
  p.setPen(Qt::NoPen);
  p.setBrush(kLight);
  p.drawRoundedRect(QRectF(116, 70, 24, 44), 12, 12);
  return image;
}

using Painter16 = std::function<void(QPainter&)>;

QImage Small(const Painter16& draw) {
  QImage image = Canvas(16);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  return image;
}

void Folder(QPainter& p, bool open) {
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent.darker(130));
  QPainterPath back;
  back.moveTo(1.5, 3.5);
  back.lineTo(6, 3.5);
  back.lineTo(7.5, 5);
  back.lineTo(14.5, 5);
  back.lineTo(14.5, 13.5);
  back.lineTo(1.5, 13.5);
  back.closeSubpath();
  p.drawPath(back);
  p.setBrush(kAccent);
  if (open) {
    QPolygonF front({QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)});
    p.drawPolygon(front);
  } else {
    p.drawRect(QRectF(1.5, 6.5, 13, 7));
  }
}

// A macro: a tile with a play mark.
void MacroMark(QPainter& p) {
  p.setPen(QPen(kLight, 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 2, 2);
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawPolygon(QPolygonF({QPointF(6, 5), QPointF(11.5, 8), QPointF(6, 11)}));
}

// A plain row (delays, pure delays): a small clock.
void Plain(QPainter& p) {
  p.setPen(QPen(kDim, 1.4));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
  p.setPen(QPen(kLight, 1.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 8), QPointF(8, 5));
  p.drawLine(QPointF(8, 8), QPointF(10.5, 9.5));
}

void Arrow(QPainter& p, bool down) {
  p.setPen(Qt::NoPen);
  p.setBrush(down ? kAccent : kLight);
  p.save();
  if (!down) {
    p.translate(16, 16);
    p.rotate(180);
  }
  p.drawRect(QRectF(6, 1.5, 4, 7));
  p.drawPolygon(QPolygonF({QPointF(2, 8), QPointF(14, 8), QPointF(8, 14.5)}));
  p.restore();
}

// A pointer move: arrows out to the four sides.
void Move(QPainter& p) {
  p.setPen(QPen(kLight, 1.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 2.5), QPointF(8, 13.5));
  p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawPolygon(QPolygonF({QPointF(8, 0.5), QPointF(11, 4), QPointF(5, 4)}));
  p.drawPolygon(QPolygonF({QPointF(8, 15.5), QPointF(11, 12), QPointF(5, 12)}));
  p.drawPolygon(QPolygonF({QPointF(0.5, 8), QPointF(4, 5), QPointF(4, 11)}));
  p.drawPolygon(QPolygonF({QPointF(15.5, 8), QPointF(12, 5), QPointF(12, 11)}));
}

// A lighting step: a lit bulb.
void Lighting(QPainter& p) {
  p.setPen(Qt::NoPen);
  QRadialGradient glow(QPointF(8, 6.5), 6.5);
  glow.setColorAt(0, QColor(255, 255, 255));
  glow.setColorAt(0.6, kAccent);
  glow.setColorAt(1, kAccent.darker(140));
  p.setBrush(glow);
  p.drawEllipse(QRectF(2.5, 1, 11, 11));
  p.setBrush(kDim);
  p.drawRect(QRectF(5.5, 11.5, 5, 2));
  p.drawRect(QRectF(6.5, 14, 3, 1.5));
}

// A DPI step: a gauge with its needle.
void Dpi(QPainter& p) {
  p.setPen(QPen(kLight, 1.6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(1.5, 3, 13, 13), 0, 180 * 16);
  p.setPen(QPen(kAccent, 1.8, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 9.5), QPointF(12, 5));
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawEllipse(QRectF(6.5, 8, 3, 3));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icons <folder>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  bool ok = true;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) ok &= Save(ProgramIcon(size), folder, QString("159_%1.png").arg(size));

  ok &= Save(Small([](QPainter& p) { Folder(p, false); }), folder, "169.png");  // group, closed
  ok &= Save(Small([](QPainter& p) { Folder(p, true); }), folder, "170.png");   // group, open
  ok &= Save(Small(MacroMark), folder, "171.png");                              // macro
  ok &= Save(Small(Plain), folder, "172.png");                                  // plain event row
  ok &= Save(Small([](QPainter& p) { Arrow(p, true); }), folder, "173.png");    // key or button down
  ok &= Save(Small([](QPainter& p) { Arrow(p, false); }), folder, "174.png");   // key or button up
  ok &= Save(Small(Move), folder, "175.png");                                   // pointer move
  ok &= Save(Small(Lighting), folder, "178.png");                               // lighting step
  ok &= Save(Small(Dpi), folder, "182.png");                                    // DPI step
  return ok ? 0 : 1;
}
