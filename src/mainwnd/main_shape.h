// The main window's shape and size, cut from main_mask.jpg, and the repaint region of
// its macro page. UI thread only.
#pragma once

#include <QRegion>

class QWidget;

// The main window's size (the size of main_mask.jpg) and the repaint region of its
// macro page: the window's shape less the six control rectangles of that page.
extern int g_windowWidth;
extern int g_windowHeight;
extern QRegion g_macroRegion;

// The main window's shape from g_skinsDir + "/main_mask.jpg": sets g_windowWidth,
// g_windowHeight and g_macroRegion (the shape combined by exclusive-or with each of
// g_macroControlRects), resizes the window keeping its top-left corner and applies the
// shape. Without a mask image the size falls back to main_normal.jpg's. Returns the
// window's shape.
QRegion BuildMainWindowShape(QWidget* mainWindow);

