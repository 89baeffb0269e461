#include "mainwnd/main_shape.h"

#include <QImage>
#include <QWidget>

#include "mainwnd/main_skins.h"
#include "skin/skin_image.h"

int g_windowWidth = 0;
int g_windowHeight = 0;
QRegion g_macroRegion;

QRegion BuildMainWindowShape(QWidget* mainWindow) {
  const QImage mask = LoadImageFile(SkinImagePath("main_mask.jpg"));
  QRegion shape;
  if (!mask.isNull()) {
    g_windowWidth = mask.width();
    g_windowHeight = mask.height();
    shape = MaskRegionFromImage(mask);
  } else {
    // No shape: the window is the background image's rectangle.
    const QImage normal = LoadImageFile(SkinImagePath("main_normal.jpg"));
    if (!normal.isNull()) {
      g_windowWidth = normal.width();
      g_windowHeight = normal.height();
    } else if (mainWindow != nullptr) {
      g_windowWidth = mainWindow->width();
      g_windowHeight = mainWindow->height();
    }
  }
  g_macroRegion = shape.isEmpty() ? QRegion(0, 0, g_windowWidth, g_windowHeight) : shape;
  for (const ControlRect& control : g_macroControlRects) g_macroRegion ^= control.ToQRect();
  if (mainWindow != nullptr) {
    // A fixed size (the least and the most the same), so that a tiling window manager
    // floats the window at its size instead of stretching it over the screen.
    mainWindow->setFixedSize(g_windowWidth, g_windowHeight);
    ApplyWindowShape(mainWindow, shape);
  }
  return shape;
}
