// The change of language: the drop-down's choice and everything that depends on the
// language, reloaded. UI thread only.
#pragma once

// The language drop-down's choice: saves the macro being edited into the current
// group's file, sets g_language and applies it.
void SelectLanguage(int index);

// Reloads everything that depends on the language: writes VER_SEL, the texts, the six
// layouts, the macro folders, the macro library, the macro page when it is shown, the
// window title (and the tray's tip) and the gun presets. The fonts are not remade here.
void ApplyLanguage();
