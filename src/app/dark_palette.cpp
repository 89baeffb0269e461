#include "app/dark_palette.h"

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QStyleFactory>

QPalette DarkPalette() {
  // The colours of the skin: its menus, controls, accent and muted text.
  const QColor window(0x1a, 0x1d, 0x24);
  const QColor control(0x1e, 0x21, 0x29);
  const QColor base(0x12, 0x14, 0x19);
  const QColor text(0xe6, 0xe9, 0xef);
  const QColor muted(0x8a, 0x91, 0xa1);
  const QColor accent(0x07, 0xbc, 0xff);

  QPalette palette;
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, base);
  palette.setColor(QPalette::AlternateBase, control);
  palette.setColor(QPalette::ToolTipBase, window);
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::PlaceholderText, muted);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, control);
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::BrightText, QColor(0xff, 0x4d, 0x4f));
  palette.setColor(QPalette::Light, QColor(0x32, 0x37, 0x44));
  palette.setColor(QPalette::Midlight, QColor(0x28, 0x2d, 0x38));
  palette.setColor(QPalette::Mid, QColor(0x25, 0x2a, 0x33));
  palette.setColor(QPalette::Dark, QColor(0x0b, 0x0c, 0x0f));
  palette.setColor(QPalette::Shadow, Qt::black);
  palette.setColor(QPalette::Highlight, QColor(0x0b, 0x7f, 0xb5));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Link, accent);
  palette.setColor(QPalette::LinkVisited, accent.darker(130));
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, muted);
  }
  palette.setColor(QPalette::Disabled, QPalette::HighlightedText, muted);
  return palette;
}

void InstallDarkPalette() {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
  QApplication::setPalette(DarkPalette());
}
