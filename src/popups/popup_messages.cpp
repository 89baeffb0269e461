#include "popups/popup_messages.h"

#include <QCoreApplication>
#include <QTimer>

std::intptr_t DeliverPopupMessage(const PopupMessageSink& sink, unsigned message, std::intptr_t wParam,
                                  std::intptr_t lParam) {
  return sink ? sink(message, wParam, lParam) : 0;
}

void PostPopupMessage(const PopupMessageSink& sink, unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
  if (!sink) return;
  if (QCoreApplication* app = QCoreApplication::instance())
    QTimer::singleShot(0, app, [sink, message, wParam, lParam] { sink(message, wParam, lParam); });
}
