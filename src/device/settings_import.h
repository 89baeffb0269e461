// The settings import of the main window: a file goes into config.ini only when it
// holds a settings set that the mouse could take, checked as the start-up checks
// config.ini (its device description and four profiles, unfit_settings.h). Anything
// else leaves config.ini as it was and tells the user why, naming the file.
#pragma once

#include <string>

// Takes `source` into config.ini and its four profiles into the tables; true when it
// did. Refused, the tables hold config.ini's profiles again (UI thread).
bool ImportSettingsFile(const std::string& source);
