#include "profile/core_hooks.h"

#include <mutex>

#include "keys/language.h"

std::string g_warningText;
int g_warningSlot = 2;

namespace {
std::mutex g_hookLock;
WarningHandler g_warningHandler;
RepaintHandler g_repaintHandler;
StartDownloadHandler g_startDownloadHandler;

void Deliver(WarningRequest request) {
  WarningHandler handler;
  {
    std::lock_guard<std::mutex> guard(g_hookLock);
    g_warningText = request.text;
    g_warningSlot = 2;
    handler = g_warningHandler;
  }
  if (handler) handler(request);
}
}  // namespace

void SetWarningHandler(WarningHandler handler) {
  std::lock_guard<std::mutex> guard(g_hookLock);
  g_warningHandler = std::move(handler);
}

void ShowTipWarning(int entry, std::string_view prefix, std::string_view suffix) {
  WarningRequest request;
  request.tipEntry = entry;
  std::string tip = entry >= 0 && entry < static_cast<int>(g_textTip.size()) ? g_textTip[entry] : std::string();
  request.text = std::string(prefix) + tip + std::string(suffix);
  Deliver(std::move(request));
}

void ShowMessageWarning(std::string_view text) {
  WarningRequest request;
  request.text = std::string(text);
  Deliver(std::move(request));
}

void SetRepaintHandler(RepaintHandler handler) {
  std::lock_guard<std::mutex> guard(g_hookLock);
  g_repaintHandler = std::move(handler);
}

void RequestMainRepaint(RepaintArea area) {
  RepaintHandler handler;
  {
    std::lock_guard<std::mutex> guard(g_hookLock);
    handler = g_repaintHandler;
  }
  if (handler) handler(area);
}

void SetStartDownloadHandler(StartDownloadHandler handler) {
  std::lock_guard<std::mutex> guard(g_hookLock);
  g_startDownloadHandler = std::move(handler);
}

void StartSettingsDownload() {
  StartDownloadHandler handler;
  {
    std::lock_guard<std::mutex> guard(g_hookLock);
    handler = g_startDownloadHandler;
  }
  if (handler) handler();
}
