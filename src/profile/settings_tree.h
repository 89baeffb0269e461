// Where the skins tree is read and where the settings are written, and the start-up
// care of the settings tree: a per-user copy of the files the program writes, seeded
// from the factory tree, leftovers of a killed save removed, and a config.ini that
// could not be read replaced by the factory settings.
//
// Run from the build folder (a writable skins tree beside the executable), both trees
// are that one folder. Installed, the executable's folder has no skins tree: the
// factory tree is read from the installed data folder and each user's settings live
// in $XDG_CONFIG_HOME/ovk-dovaru/skins.
#pragma once

#include <string>

struct SettingsTreeLocation {
  std::string skinsDir;     // read: images, layouts, texts, factory data
  std::string settingsDir;  // written: config/, <language>/macro/, <language>/PUBG.dat
};

// appDir: the executable's folder; installedSkins: the factory tree of an installation
// (relative paths are taken from appDir); userConfigHome: the user's configuration folder.
SettingsTreeLocation LocateSettingsTree(const std::string& appDir, const std::string& installedSkins,
                                        const std::string& userConfigHome);
// The trees a start from appDir uses (this build's installed tree, the user's folder).
SettingsTreeLocation LocateSettingsTree(const std::string& appDir);

// Copies into `settings` what the program writes and `settings` lacks: config/config.ini,
// config/constMacro.dat, every language's PUBG.dat, and a language's whole macro/
// folder when the user has none. Nothing of the user's is overwritten or deleted. The
// folders it makes are the user's alone (0700), and so are the files (0600); folders
// that exist keep their modes. Returns false when something could not be copied.
bool SeedSettingsTree(const std::string& factory, const std::string& settings);

// Puts configReset.ini of the factory tree in place of config.ini, keeping a file that
// is there aside as config.ini.broken-<date>-<time>, and tells the user once, by the
// file's name and `why` ("could not be read"). Returns false when the factory settings
// could not be put in place (the tables then count as unread).
bool ReplaceSettingsFile(const std::string& why);

// Makes sure config.ini holds settings. When it is missing, empty or unreadable, a file
// that exists is kept aside (config.ini.broken-<date>-<time>), configReset.ini of the
// factory tree is copied in its place and the user is told by the file's name. Returns
// false when no settings could be put in place (the tables then count as unread).
bool RecoverSettingsFile();

// The start-up step that sets the paths: locates and seeds the trees, removes stale
// temporary files and recovers config.ini, and arms the settings check of the download.
// A settings tree whose way platform::FolderWriteRefusal refuses is reported once and
// nothing is written into it.
void PrepareSettingsTree(const std::string& appDir);
