// Shows the warning box on the screen as the program does (English texts of the
// installation, embedded fonts, centred on the desktop), hovers its first button and
// saves a screenshot of the whole screen. Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x800x24" bench/warning_box_shot shot.png [tip entry] [language]
// When the installation tree has no warning images yet, sample images are made.
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "../support/bench_folder.h"
#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/paths.h"
#include "skin/language_texts.h"
#include "skin/skin_image.h"
#include "skin/skin_layout.h"
#include "skin/ui_fonts.h"
#include "skin/warning_dlg.h"

namespace {

// The images the benchmark draws on: one that could not be saved ends it.
void SaveImage(const QImage& image, const std::string& path, int quality = -1) {
  benchsupport::MustSave(image.save(QString::fromStdString(path), nullptr, quality), path);
}

void MakeSampleImages(const std::string& skins) {
  const QSize size(400, 200);
  QImage mask(size, QImage::Format_RGB32);
  mask.fill(Qt::white);
  {
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRect(0, 0, 400, 200), 18, 18);
  }
  SaveImage(mask, skins + "/warning_mask.jpg", 95);
  for (bool over : {false, true}) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, 200);
    g.setColorAt(0, QColor(48, 52, 60));
    g.setColorAt(1, QColor(18, 20, 24));
    p.fillRect(image.rect(), g);
    p.setPen(QColor(0, 150, 220));
    p.drawRoundedRect(QRect(1, 1, 397, 197), 17, 17);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(over ? QColor(0, 160, 235) : QColor(0, 110, 170));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRect(150, 144, 100, 36), 6, 6);
    p.setPen(QPen(over ? QColor(255, 255, 255) : QColor(150, 160, 170), 2));
    p.drawLine(367, 19, 381, 33);
    p.drawLine(381, 19, 367, 33);
    p.setPen(Qt::white);
    QFont f("DejaVu Sans");
    f.setPixelSize(15);
    p.setFont(f);
    p.drawText(QRect(150, 144, 100, 36), Qt::AlignCenter, "OK");
    p.end();
    SaveImage(image, skins + (over ? "/warning_over.jpg" : "/warning_normal.jpg"), 95);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("warning_box.png");
  const int entry = argc > 2 ? std::atoi(argv[2]) : 29;
  g_language = argc > 3 ? std::atoi(argv[3]) : 1;
  const std::string folder = LanguageFolderName(g_language);

  QTemporaryDir temp;
  std::string program = MC_PROGRAM_DIR;
  if (!ini::FileExists(program + "/skins/warning_mask.jpg")) {
    // A copy of the language folder beside sample images.
    const std::string skins = temp.path().toStdString() + "/skins";
    QDir().mkpath(QString::fromStdString(skins + folder));
    for (const char* name : {"/LanguageText.ini", "/LBWarning.ini"}) {
      QFile::copy(QString::fromStdString(program + "/skins" + folder + name),
                  QString::fromStdString(skins + folder + name));
    }
    MakeSampleImages(skins);
    program = temp.path().toStdString();
    std::fprintf(stderr, "sample warning images in %s\n", skins.c_str());
  }
  SetProgramPaths(program);
  LoadLanguageTexts();
  CreateUiFonts(FontBaseForDpi(QGuiApplication::primaryScreen()->logicalDotsPerInchX()));
  LoadWarningSkin();
  g_warningPosMode = 2;

  QTimer::singleShot(400, [&] {
    auto* box = qobject_cast<WarningDlg*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    const QPoint onButton = g_warningRects[0].ToQRect().center();
    QCursor::setPos(box->mapToGlobal(onButton));
    QMouseEvent move(QEvent::MouseMove, QPointF(onButton), QPointF(box->mapToGlobal(onButton)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &move);
  });
  QTimer::singleShot(900, [&] {
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    std::fprintf(stderr, "screenshot %s: %s\n", out.toLocal8Bit().constData(), shot.save(out) ? "saved" : "failed");
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  g_warningSlot = 2;
  g_warningText = g_textTip[entry];
  const int result = ShowWarningBox();
  std::fprintf(stderr, "box closed with %d\n", result);
  return 0;
}
