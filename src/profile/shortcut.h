// Key combinations of the mouse buttons: the captured combination, its stored text
// and the macros made from the stored texts.
#pragma once

// Rebuilds g_profileMacros from the key-combination texts of all profiles.
void BuildShortcutMacros();
