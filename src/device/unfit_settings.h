// A settings set that the mouse could not take, met at start-up, is handled as an
// unreadable config.ini: kept aside, the factory settings put in its place, the user
// told once by the file's name.
#pragma once

#include <string>

struct ImageVerdict;

// Why a file is not taken, after its name: "holds settings the mouse cannot take (...)".
std::string UnfitSettingsReason(const ImageVerdict& verdict);

// Checks the image of the tables (settings_image_check.h). When the mouse could not
// take it, config.ini is replaced as above and the device description, the current
// profile and the four profiles are read again. True when the tables were read anew.
bool RecoverSettingsTheMouseCannotTake();
