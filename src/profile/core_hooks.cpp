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

// What a warning says while the language's texts are not loaded (or lack the entry).
std::string BuiltInTip(int entry) {
  switch (entry) {
    case 1: return "Mouse not found: ";
    case 2: return "Restoring the factory settings";
    case 3: return "Factory settings restored";
    case 5: return "A required file is missing";
    case 6: return "The operation failed";
    case 7: return "Another button must keep the left click";
    case 8: return "The macro list is empty";
    case 20: return "Stop recording first";
    case 21: return "A limit has been reached";
    case 23: return " - this group name is already in use";
    case 24: return "Please select a macro";
    case 29: return "The macros do not fit into the mouse memory";
    case 30: return "There can be no more than 12 macro groups";
    case 31: return "Not available in the alternate lighting mode";
    default: return {};
  }
}

void SetWarningHandler(WarningHandler handler) {
  std::lock_guard<std::mutex> guard(g_hookLock);
  g_warningHandler = std::move(handler);
}

void ShowTipWarning(int entry, std::string_view prefix, std::string_view suffix) {
  WarningRequest request;
  request.tipEntry = entry;
  std::string tip = entry >= 0 && entry < static_cast<int>(g_textTip.size()) ? g_textTip[entry] : std::string();
  if (tip.empty()) tip = BuiltInTip(entry);
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
