// The layout reader of the skinned popups (key capture, key combination, gun, sound,
// menus): BUTTONPOS tables of per-language layout files, split by the same comma rule
// as the main window's layouts, but with the popups' own messages: a missing file
// shows "找不到配置文件" (the popup then ends) and a line with more than six commas
// shows "加载ini错误！". UI thread only.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "skin/skin_layout.h"

class QWidget;

// A plain message box with an OK button and the application's default caption, owned
// by `owner` (may be null). Every plain message of the program goes through here.
void ShowPlainMessage(QWidget* owner, const std::string& text);
// Replaces what ShowPlainMessage does (tests record the texts instead); an empty
// handler restores the message box.
using PlainMessageHandler = std::function<void(QWidget* owner, const std::string& text)>;
void SetPlainMessageHandler(PlainMessageHandler handler);

// g_skinsDir + the current language folder + "/" + fileName.
std::string PopupLayoutPath(std::string_view fileName);

// Reads entries 0 .. rects.size() - 1 of section BUTTONPOS of `file` into `rects` and
// `captions` (equal sizes; the shorter one limits). A missing file shows its message
// once, leaves the tables empty (rectangles 0, 0, 0, 0 and empty captions) and gives
// false: the popup ends. Each line with more than six commas shows the format message
// and is still split by the comma rule.
bool ReadPopupLayout(const std::string& file, std::span<SkinRect> rects, std::span<std::string> captions,
                     QWidget* owner);

// One entry of any section by the popups' rules: false (after the message) when the
// file is missing.
bool ReadPopupList(const std::string& file, std::string_view section, int entry, SkinFields& fields, QWidget* owner);
