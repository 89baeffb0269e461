// What the Qt-free core asks of the layers above it: showing a warning, repainting the
// main window, starting the settings download. The upper layers install the handlers
// at start-up; until then warnings are only recorded and the other requests do nothing.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// A warning for the user. tipEntry is the TipText entry it came from (-1 for a plain
// message text); text is what the box shows, prefix and suffix included.
struct WarningRequest {
  int tipEntry = -1;
  std::string text;
};

// The text of the next warning box and its text slot (always 2).
extern std::string g_warningText;
extern int g_warningSlot;

using WarningHandler = std::function<void(const WarningRequest&)>;

// Installs the handler that shows warnings (the warning box). It may be called from
// any thread; the handler must hand the request to the UI thread itself.
void SetWarningHandler(WarningHandler handler);

// The English text of a TipText entry, shown while the language has none for it.
std::string BuiltInTip(int entry);

// Shows TipText entry `entry` of the current language (the built-in text where the
// language has none), with optional text before and after.
void ShowTipWarning(int entry, std::string_view prefix = {}, std::string_view suffix = {});

// Shows a plain message text (not a TipText entry).
void ShowMessageWarning(std::string_view text);

// Which part of the main window to repaint.
enum class RepaintArea { Whole, MacroRegionOnPage };
using RepaintHandler = std::function<void(RepaintArea)>;
void SetRepaintHandler(RepaintHandler handler);
// Thread-safe: asks the main window to repaint; nothing happens before a handler is set.
void RequestMainRepaint(RepaintArea area = RepaintArea::Whole);

// Starts the one-shot settings-download worker without waiting for it.
using StartDownloadHandler = std::function<void()>;
void SetStartDownloadHandler(StartDownloadHandler handler);
void StartSettingsDownload();
