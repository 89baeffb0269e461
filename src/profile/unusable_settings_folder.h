// A settings folder that cannot be used: its way is refused (platform/write_guard.h), it
// cannot be made, or it can be written no more and holds no settings. The program then
// reads the factory tree in its place, config.ini being the factory settings
// (configReset.ini) in the default language, and saves nothing: the factory tree is
// refused to every write, and a refused save says that the settings cannot be saved,
// naming the folder. Whatever the page shows reaches the mouse only by Apply.
#pragma once

#include <string>

#include "profile/settings_tree.h"

// Why the settings folder of `where` cannot be used; empty when it can (a missing one
// is made). A tree written in place is the one beside the program, and usable.
std::string UnusableSettingsFolder(const SettingsTreeLocation& where);

// The start-up's step before PrepareSettingsTree: true when the settings folder of a
// start from appDir cannot be used and the factory tree is read instead, which is said
// once, in a box and on standard error.
bool UseFactorySettingsWhenFolderUnusable(const std::string& appDir);

// Whether the program runs so (after UseFactorySettingsWhenFolderUnusable).
bool SettingsReadOnly();

// A save that was refused for it: one line on standard error and the box naming the
// folder and why.
void ReportSettingsCannotBeSaved();
