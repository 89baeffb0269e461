// skingen_images: draws every image of the installation tree from the master layouts
// and the style description under skins/.
//
//   skingen_images --src <skins source folder> --out <program folder>/skins [--stamp <file>]
//
// Page and popup images come in sets (normal, over, down, mask) of one size; each
// control is drawn in its rectangle in each state, so the program can copy a hovered or
// pressed control from the over or down image onto the normal one.
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>

#include <filesystem>
#include <functional>
#include <iostream>

#include "art.h"

namespace fs = std::filesystem;
using namespace skingen;

namespace {

struct ImageGenerator {
  std::string src, out;
  Style style;
  std::map<std::string, Layout> layouts;
  std::vector<Language> languages;
  std::size_t presetCount = 0;
  int written = 0;

  const Layout& L(const std::string& file) const { return layouts.at(file); }

  void Save(const QImage& img, const std::string& rel, int quality = 95) {
    std::string path = (fs::path(out) / rel).string();
    fs::create_directories(fs::path(path).parent_path());
    QSaveFile file(QString::fromStdString(path));
    bool png = rel.size() > 4 && rel.substr(rel.size() - 4) == ".png";
    if (!file.open(QIODevice::WriteOnly)) throw SourceError(path + ": cannot be written");
    QImageWriter writer(&file, png ? "png" : "jpg");
    if (!png) {
      writer.setQuality(quality);
      writer.setOptimizedWrite(true);
    }
    const QImage& toWrite = png ? img : img.convertToFormat(QImage::Format_RGB32);
    if (!writer.write(toWrite) || !file.commit())
      throw SourceError(path + ": " + writer.errorString().toStdString());
    ++written;
  }

  // One image of a window: background, then the controls in the state.
  QImage Compose(QSize size, State state, const std::function<void(QPainter&)>& background,
                 const std::function<void(QPainter&, State)>& controls) {
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    QPainter p(&img);
    background(p);
    controls(p, state);
    p.end();
    return img;
  }

  void SaveSet(const std::string& name, QSize size, const std::function<void(QPainter&)>& background,
               const std::function<void(QPainter&, State)>& controls, bool withDown = true) {
    Save(Compose(size, State::Normal, background, controls), name + "_normal.jpg");
    Save(Compose(size, State::Over, background, controls), name + "_over.jpg");
    if (withDown) Save(Compose(size, State::Down, background, controls), name + "_down.jpg");
  }

  void MainWindow() {
    const Layout& main = L("skin_main.ini");
    const QSize size = style.Size("windows", "main");
    auto frame = [&](QPainter& p, State st) { DrawTable(p, style, main, "BUTTONPOS", st, 0, 20); };
    struct Page {
      std::string set;
      std::function<void(QPainter&)> decor;
      std::function<void(QPainter&, State)> controls;
    };
    const Layout& adv = L("skin_advance.ini");
    const Layout& mac = L("skin_mac.ini");
    const Layout& led = L("skin_color.ini");
    std::vector<Page> pages = {
        {"main", [&](QPainter& p) { DrawMainPageDecor(p, style, main); },
         [&](QPainter& p, State st) { DrawTable(p, style, main, "BUTTONPOS", st, 20); }},
        {"advanced", [&](QPainter& p) { DrawAdvancedDecor(p, style, adv); },
         [&](QPainter& p, State st) { DrawTable(p, style, adv, "BUTTONPOS", st); }},
        {"mac", [&](QPainter& p) { DrawMacroDecor(p, style, mac); },
         [&](QPainter& p, State st) {
           DrawTable(p, style, mac, "BUTTONPOS", st);
           DrawTable(p, style, mac, "EDIT", st);
           DrawTable(p, style, mac, "MACRODISPLAY", st);
         }},
        {"led", [&](QPainter& p) { DrawLightingDecor(p, style, led); },
         [&](QPainter& p, State st) { DrawTable(p, style, led, "BUTTONPOS", st); }},
    };
    for (const Page& page : pages) {
      auto background = [&](QPainter& p) {
        DrawMainFrame(p, style, main);
        page.decor(p);
      };
      auto controls = [&](QPainter& p, State st) {
        page.controls(p, st);
        frame(p, st);
      };
      SaveSet(page.set, size, background, controls);
      if (page.set == "led") {
        QImage normal = Compose(size, State::Normal, background, controls);
        // The greyed look of controls the current effect does not use.
        QImage null = normal;
        QPainter p(&null);
        p.fillRect(null.rect(), QColor(8, 9, 12, 150));
        p.end();
        Save(null, "led_null.jpg");
        QImage alternate = normal;
        QPainter q(&alternate);
        DrawAlternateArea(q, style, led);
        q.end();
        Save(alternate, "new_down.jpg");
      }
    }
    Save(MaskImage(size, style.N("maskRadius")), "main_mask.jpg", 100);
    Save(KnobImage(style), "moveRect.png");
  }

  void Popup(const std::string& set, const std::string& layoutFile, const std::string& glyph, bool withDown,
             bool withMask) {
    const Layout& layout = L(layoutFile);
    const QSize size = style.Size("windows", set);
    auto background = [&](QPainter& p) { DrawPopupBackground(p, style, size, glyph, withMask); };
    auto controls = [&](QPainter& p, State st) {
      DrawTable(p, style, layout, "BUTTONPOS", st);
      DrawTable(p, style, layout, "EDIT", st);
    };
    SaveSet(set, size, background, controls, withDown);
    if (withMask) Save(MaskImage(size, style.N("popupMaskRadius")), set + "_mask.jpg", 100);
  }

  void Menu(const std::string& files, const std::string& sizeKey, int rowHeight, std::vector<int> cascade = {},
            std::vector<int> separator = {}, const std::string& suffix = "", bool withMask = true) {
    QSize size = style.Size("menus", sizeKey);
    int row = rowHeight > 0 ? rowHeight : size.height() / 15;
    Save(MenuImage(style, size, row, State::Normal, cascade, separator), files + "_normal" + suffix + ".jpg");
    Save(MenuImage(style, size, row, State::Over, cascade, separator), files + "_over" + suffix + ".jpg");
    Save(MenuImage(style, size, row, State::Down, cascade, separator), files + "_down" + suffix + ".jpg");
    if (withMask) Save(MaskImage(size, 0), files + "_mask" + suffix + ".jpg", 100);
  }

  void Menus() {
    Menu("Profile", "Profile", style.Size("menus", "Profile").height() / 4);
    Menu("menu1", "menu1", 0, {7, 8, 9, 11});
    Menu("led_menu", "led_menu", 0);
    Menu("menu", "menu", 0);
    Menu("menu2", "menu2", 0);
    Menu("Macro_menu", "menu2", 0, {}, {}, "", false);
    Menu("MacMenu/MacG", "MacG", 20, {}, {8});
    Menu("MacMenu/MacR", "MacR", 20);
    Menu("MacMenu/MacR", "MacR2", 20, {}, {}, "2");
    Menu("MacMenu/Insert", "Insert", 20, {1, 2, 3, 4});
    Menu("MacMenu/Insert2th", "Insert2th", 20);
    Menu("MacMenu/Insert3th", "Insert3th", 20);
  }

  void LanguageImages() {
    std::map<std::string, IniDoc> captions;
    auto zhiText = [&](const std::string& texts) -> QString {
      auto it = captions.find(texts);
      if (it == captions.end()) {
        std::string path = (fs::path(src) / "text" / texts / "captions.ini").string();
        it = captions.emplace(texts, fs::exists(path) ? IniDoc::Load(path) : IniDoc()).first;
      }
      return QString::fromStdString(it->second.GetOr("images", "zhi", ""));
    };
    const QSize menu2 = style.Size("menus", "menu2");
    const QSize picture(menu2.width(), menu2.height() / 15);
    for (const Language& lang : languages) {
      QString badge = zhiText(lang.texts);
      if (badge.isEmpty() || !FontsCover(badge)) badge = zhiText("EN");
      Save(BadgeImage(style, badge), lang.Folder() + "/zhi.png");
      QString name = QString::fromStdString(lang.name);
      if (!FontsCover(name)) name = QString::fromStdString(lang.latin);
      Save(LanguagePicture(style, picture, name, false), lang.Folder() + "/ver_normal.jpg");
      Save(LanguagePicture(style, picture, name, true), lang.Folder() + "/ver_over.jpg");
    }
  }

  void Run() {
    style = Style::Load((fs::path(src) / "style.ini").string());
    for (const std::string& file : LayoutFileNames())
      layouts.emplace(file, LoadLayout((fs::path(src) / "layout" / file).string()));
    languages = LoadLanguages((fs::path(src) / "text" / "languages.ini").string());
    presetCount = LoadPresets((fs::path(src) / "macros" / "presets.txt").string()).size();

    MainWindow();
    Popup("warning", "LBWarning.ini", "warning", false, true);
    Popup("keyset", "skin_keyset.ini", "", true, true);
    Popup("combinationKey", "skin_shortcut.ini", "", true, false);
    Popup("gun", "skin_gun.ini", "", true, true);
    Popup("sound", "skin_sound.ini", "sound", true, true);
    Menus();
    const QSize gun = style.Size("gun", "picture");
    for (std::size_t i = 1; i <= presetCount; ++i)
      Save(GunPicture(style, gun, static_cast<int>(i)), "Gun/" + std::to_string(i) + ".jpg");
    LanguageImages();
  }
};

}  // namespace

int main(int argc, char** argv) {
  // Drawing text needs a GUI application, but no screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ImageGenerator g;
  std::string stamp;
  const QStringList args = app.arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--src" && i + 1 < args.size()) g.src = args[++i].toStdString();
    else if (args[i] == "--out" && i + 1 < args.size()) g.out = args[++i].toStdString();
    else if (args[i] == "--stamp" && i + 1 < args.size()) stamp = args[++i].toStdString();
    else {
      std::cerr << "usage: skingen_images --src <skins sources> --out <skins folder> [--stamp <file>]\n";
      return 2;
    }
  }
  if (g.src.empty() || g.out.empty()) {
    std::cerr << "skingen_images: --src and --out are needed\n";
    return 2;
  }
  try {
    g.Run();
    if (!stamp.empty()) {
      WriteFileIfChanged(stamp, "skins images\n");
      fs::last_write_time(stamp, fs::file_time_type::clock::now());
    }
    std::cout << "skingen_images: " << g.written << " images written to " << g.out << "\n";
  } catch (const std::exception& e) {
    std::cerr << "skingen_images: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
