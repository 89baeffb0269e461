// skingen_preview: composes the built skin images of a language folder roughly the way
// the program paints them (normal image, the selected tab and profile from the down
// image, the captions, slider knobs) and writes PNG files for looking at the skin
// without running the program.
//
//   skingen_preview --skins <program folder>/skins --lang 1_INI_EN --out <folder>
#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <iostream>

#include "skin_source.h"

using namespace skingen;

namespace {

QString skins, lang, outDir;

QImage Load(const QString& name) {
  QImage img(skins + "/" + name);
  if (img.isNull()) std::cerr << "missing " << name.toStdString() << "\n";
  return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QFont UiFont() {
  QFont f;
  f.setFamilies({"Roboto", "Noto Sans CJK SC", "DejaVu Sans"});
  f.setPointSizeF(9.2);
  return f;
}

void Copy(QPainter& p, const QImage& from, const LayoutEntry& e) {
  if (!e.Empty()) p.drawImage(QPoint(e.x, e.y), from, QRect(e.x, e.y, e.w, e.h));
}

void Text(QPainter& p, const LayoutEntry& e, const QString& text, int extraHeight = 0, bool left = false,
          QColor color = Qt::white) {
  if (e.Empty() || text.isEmpty()) return;
  QFontMetrics m(p.font());
  int x = left ? e.x : e.x + (e.w - m.horizontalAdvance(text)) / 2;
  int y = e.y + (e.h + extraHeight - m.height()) / 2;
  p.setPen(color);
  p.drawText(x, y + m.ascent(), text);
}

QString Caption(const LayoutEntry& e) { return QString::fromStdString(e.caption); }

void Knob(QPainter& p, int x, int y) { p.drawImage(QPoint(x, y), Load("moveRect.png")); }

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList a = app.arguments();
  for (int i = 1; i + 1 < a.size(); i += 2) {
    if (a[i] == "--skins") skins = a[i + 1];
    if (a[i] == "--lang") lang = a[i + 1];
    if (a[i] == "--out") outDir = a[i + 1];
  }
  if (skins.isEmpty() || lang.isEmpty() || outDir.isEmpty()) {
    std::cerr << "usage: skingen_preview --skins <skins> --lang <folder> --out <folder>\n";
    return 2;
  }
  QDir().mkpath(outDir);
  auto layout = [&](const char* f) { return LoadLayout((skins + "/" + lang + "/" + f).toStdString()); };
  Layout main = layout("skin_main.ini"), adv = layout("skin_advance.ini"), mac = layout("skin_mac.ini"),
         led = layout("skin_color.ini");
  IniDoc texts = IniDoc::Load((skins + "/" + lang + "/LanguageText.ini").toStdString());
  auto T = [&](const char* section, int n) { return QString::fromStdString(texts.GetOr(section, std::to_string(n), "")); };
  IniDoc mainDoc = IniDoc::Load((skins + "/" + lang + "/skin_main.ini").toStdString());
  const int codes[8] = {1, 2, 3, 4, 5, 6, 16, 17};

  const char* sets[4] = {"main", "advanced", "mac", "led"};
  for (int page = 0; page < 4; ++page) {
    QImage img = Load(QString(sets[page]) + "_normal.jpg");
    QImage over = Load(QString(sets[page]) + "_over.jpg"), down = Load(QString(sets[page]) + "_down.jpg");
    QPainter p(&img);
    p.setFont(UiFont());
    p.setRenderHint(QPainter::TextAntialiasing);
    if (page == 0) {
      // Button 2 hovered: its box from over and its name plate from down.
      Copy(p, over, main[21]);
      Copy(p, down, main[36]);
      for (int b = 0; b < 8; ++b) {
        QString label = QString::fromStdString(mainDoc.GetOr("FUN_STRING", std::to_string(codes[b]), ""));
        LayoutEntry e = main[20 + b];
        e.x += 5;  // the program draws the labels 5 pixels right of centre
        Text(p, e, label);
      }
      for (int i = 20; i < 75; ++i)
        if (i >= 35 || i < 20) {
          if (i == 46) {
            QFontMetrics m(p.font());
            const LayoutEntry& e = main[46];
            p.setPen(Qt::white);
            p.drawText(e.x + 5, e.y + e.h + 2 + m.ascent(), Caption(e));
          } else {
            Text(p, main[i], Caption(main[i]));
          }
        }
      p.drawImage(QPoint(378, 535), Load(lang + "/zhi.png"));
    } else if (page == 1) {
      const int dpi[6] = {400, 800, 1600, 2400, 3200, 4800};
      Copy(p, down, adv[61]);
      for (int j = 0; j < 6; ++j) {
        p.fillRect(QRect(adv[77 + j].x, adv[77 + j].y, adv[77 + j].w, adv[77 + j].h),
                   QColor::fromHsv(j * 55 % 360, 220, 255));
        Copy(p, down, adv[47 + j]);
      }
      const LayoutEntry& s = adv[66];
      int f = static_cast<int>((3 + 1) * (303.0f / 17));
      p.drawImage(QPoint(s.x, s.y), down, QRect(s.x, s.y, f, s.h));
      Knob(p, s.x + f - 5, s.y + 13);
      struct { int entry, value, n; } sliders[3] = {{1, 6, 11}, {18, 3, 11}, {31, 50, 300}};
      for (auto sl : sliders) {
        const LayoutEntry& e = adv[sl.entry];
        int fw = sl.value * e.w / sl.n;
        p.drawImage(QPoint(e.x, e.y), down, QRect(e.x, e.y, fw, e.h));
        Knob(p, e.x + fw - 6, e.y);
      }
      Copy(p, down, adv[34]);
      for (int i = 0; i < 83; ++i) {
        QString t = Caption(adv[i]);
        if (i == 2) t = "6";
        if (i == 19) t = "3";
        if (i == 32) t = "50";
        QColor c = Qt::white;
        if (i >= 70 && i <= 75) {
          t = QString::number(dpi[i - 70]);
          if (i == 71) c = QColor(7, 188, 255);
        }
        if (i == 32) {
          QFontMetrics m(p.font());
          LayoutEntry e = adv[32];
          e.x = e.x + e.w - m.horizontalAdvance(t);
          Text(p, e, t, 0, true);
        } else {
          Text(p, adv[i], t, 0, false, c);
        }
      }
    } else if (page == 2) {
      Copy(p, down, mac[8]);
      for (int i = 0; i < 20; ++i) {
        bool left = (i >= 10 && i <= 12) || (i >= 14 && i <= 16);
        QString t = i == 4 ? T("UniqueName_DevMac", 39) : Caption(mac[i]);
        LayoutEntry e = mac[i];
        if (i == 4) e.x -= 6;
        Text(p, e, t, 0, left);
      }
      // The controls the program places on the rectangles.
      for (int k : {1, 2, 3}) {
        const LayoutEntry& e = mac.At("MACRODISPLAY", k);
        p.setPen(QColor(200, 200, 200));
        QFontMetrics m(p.font());
        QStringList rows = k == 1 ? QStringList{"  ▸ Editing", "      Copy", "      Paste", "  ▸ Clicks"}
                           : k == 2 ? QStringList{" ↓ Left Ctrl", "   20ms", " ↓ C", "   20ms", " ↑ C"}
                                    : QStringList{};
        for (int r = 0; r < rows.size(); ++r) p.drawText(e.x + 6, e.y + 6 + r * 20 + m.ascent(), rows[r]);
      }
      const LayoutEntry& ed = mac.At("EDIT", 2);
      Text(p, ed, "1");
    } else {
      Copy(p, down, led[17]);
      for (int k = 0; k < 7; ++k) {
        p.fillRect(QRect(led[k].x, led[k].y, led[k].w, led[k].h), QColor::fromHsv(k * 51, 230, 255));
        Copy(p, down, led[7 + k]);
      }
      Copy(p, down, led[14]);
      for (int k = 0; k < 7; ++k)
        p.fillRect(QRect(led[k].x, led[k].y, led[k].w, led[k].h), QColor::fromHsv(k * 51, 230, 255));
      for (int i = 0; i < 8; ++i) Copy(p, down, led[51 + i]);
      for (int entry : {40, 41}) {
        const LayoutEntry& e = led[entry];
        int fw = (entry == 40 ? 7 : 3) * e.w / (entry == 40 ? 7 : 6);
        p.drawImage(QPoint(e.x, e.y), down, QRect(e.x, e.y, fw, e.h));
        Knob(p, e.x + fw - 5, e.y - 5);
      }
      // Effect 1 (colour cycle): the direction, brightness and key reaction panels are grey.
      QImage null = Load("led_null.jpg");
      for (int entry : {50, 71, 72, 74}) Copy(p, null, led[entry]);
      for (int i = 0; i < 103; ++i) {
        if ((i >= 21 && i <= 25) || (i >= 30 && i <= 34) || i == 38) continue;
        QString t = i == 35 ? T("UniqueName_LED", 2) : Caption(led[i]);
        Text(p, led[i], t);
      }
    }
    // The frame: the page's tab and profile 1 selected, captions.
    Copy(p, down, main[6 + page]);
    Copy(p, down, main[10]);
    for (int i = 0; i < 20; ++i) {
      int extra = (i >= 10 && i <= 13) ? 100 : (i >= 14 && i <= 16) ? 75 : 0;
      if (i != 19) Text(p, main[i], Caption(main[i]), extra);
    }
    p.end();
    img.save(outDir + "/" + sets[page] + ".png");
  }

  // The alternate lighting mode.
  {
    QImage img = Load("led_normal.jpg"), down = Load("led_down.jpg"), alt = Load("new_down.jpg");
    QPainter p(&img);
    p.setFont(UiFont());
    Copy(p, down, led[19]);
    Copy(p, alt, led[78]);
    for (int i : {18, 20, 21, 22, 23, 24, 25}) Text(p, led[i], Caption(led[i]));
    Copy(p, down, main[9]);
    Copy(p, down, main[10]);
    for (int i = 0; i < 19; ++i) {
      int extra = (i >= 10 && i <= 13) ? 100 : (i >= 14 && i <= 16) ? 75 : 0;
      Text(p, main[i], Caption(main[i]), extra);
    }
    p.end();
    img.save(outDir + "/led_alternate.png");
  }

  // Popups: each with its first button hovered.
  struct Popup {
    const char* set;
    const char* layout;
    int hover;
    int count;
  } popups[] = {{"warning", "LBWarning.ini", 0, 5}, {"keyset", "skin_keyset.ini", 1, 4},
                {"combinationKey", "skin_shortcut.ini", 2, 14}, {"gun", "skin_gun.ini", 2, 14},
                {"sound", "skin_sound.ini", 3, 50}};
  for (const Popup& pop : popups) {
    Layout l = layout(pop.layout);
    QImage img = Load(QString(pop.set) + "_normal.jpg"), over = Load(QString(pop.set) + "_over.jpg");
    QImage down = QString(pop.set) == "warning" ? over : Load(QString(pop.set) + "_down.jpg");
    QPainter p(&img);
    p.setFont(UiFont());
    Copy(p, over, l[pop.hover]);
    QString set = pop.set;
    if (set == "warning") {
      Text(p, l[2], T("TipText", 7));
    } else if (set == "sound") {
      Copy(p, down, l[2]);
      for (int b = 13; b < 49; ++b) {
        const LayoutEntry& e = l[b];
        int v = 20 + (b * 37) % 70, h = e.h * v / 100;
        p.drawImage(QPoint(e.x, e.y + (e.h - h) / 2), down, QRect(e.x, e.y + (e.h - h) / 2, e.w, h));
      }
      for (int i = 2; i <= 4; ++i) {
        QFontMetrics m(p.font());
        const LayoutEntry& e = l[i];
        p.setPen(Qt::white);
        p.drawText(e.x + (e.w - m.horizontalAdvance(Caption(e))) / 2, e.y + e.w + m.ascent(), Caption(e));
      }
    } else {
      if (set == "combinationKey") {
        Copy(p, down, l[6]);
        for (int t = 7; t <= 9; ++t) Copy(p, over, l[t]);
      }
      if (set == "gun") {
        Copy(p, down, l[9]);
        QImage pic = Load("Gun/1.jpg");
        const LayoutEntry& e = l[4];
        p.drawImage(QPoint(e.x, e.y), pic, QRect(0, 0, e.w, e.h));
      }
      for (int i = 0; i < pop.count; ++i) {
        QString t = Caption(l[i]);
        QColor c = Qt::white;
        if (set == "keyset" && i == 0) { t = "Left Ctrl"; c = QColor(7, 188, 255); }
        if (set == "combinationKey" && i == 0) { t = "Ctrl"; c = QColor(7, 188, 255); }
        if (set == "combinationKey" && i == 1) { t = T("UniqueName_ShortCut", 1); c = QColor(72, 72, 72); }
        if (set == "gun" && i == 5) { t = "Preset 1"; c = QColor(7, 188, 255); }
        Text(p, l[i], t, 0, false, c);
      }
      if (set == "gun")
        for (int k : {0, 1, 2}) Text(p, l.At("EDIT", k), k == 1 ? "1" : k == 0 ? "2" : "10");
    }
    p.end();
    // The window shape: pixels the mask cuts out shown in the desktop's grey.
    QImage mask = QFile::exists(skins + "/" + set + "_mask.jpg") ? Load(set + "_mask.jpg") : QImage();
    if (!mask.isNull())
      for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
          QRgb m = mask.pixel(x, y);
          if (qRed(m) > 100 && qGreen(m) > 100 && qBlue(m) > 100) img.setPixel(x, y, qRgb(90, 96, 110));
        }
    img.save(outDir + "/" + set + ".png");
  }

  // Menus: the button function menu with row 3 hovered and the macro group menu.
  {
    QImage img = Load("menu1_normal.jpg"), over = Load("menu1_over.jpg");
    int row = img.height() / 15;
    QPainter p(&img);
    p.setFont(UiFont());
    p.drawImage(QPoint(0, 2 * row), over, QRect(0, 2 * row, img.width(), row));
    for (int r = 1; r <= 11; ++r) {
      LayoutEntry e{0, "label", 0, (r - 1) * row, img.width(), row, ""};
      Text(p, e, QString::fromStdString(mainDoc.GetOr("FUN_STRING", std::to_string(r), "")));
    }
    p.end();
    img.copy(0, 0, img.width(), 11 * row).save(outDir + "/menu1.png");
  }
  {
    QImage img = Load("MacMenu/MacG_normal.jpg"), over = Load("MacMenu/MacG_over.jpg");
    QPainter p(&img);
    p.setFont(UiFont());
    p.drawImage(QPoint(0, 20), over, QRect(0, 20, img.width(), 20));
    const int text[9] = {1, 2, 3, 4, 5, 6, 7, 0, 19};
    for (int r = 1; r <= 9; ++r) {
      LayoutEntry e{0, "label", 0, (r - 1) * 20, img.width(), 20, ""};
      if (text[r - 1]) Text(p, e, T("UniqueName_DevMac", text[r - 1]));
    }
    p.end();
    img.save(outDir + "/MacG.png");
  }
  std::cout << "previews written to " << outDir.toStdString() << "\n";
  return 0;
}
