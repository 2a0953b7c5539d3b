#pragma once

#include "fw/FolderItem.h"

#include <string>

namespace sets {

// The folder that holds the settings file: the application's own folder in Application
// Support.
fw::FolderItem settingsFolder(const std::string& softwareName);

// The settings file itself, "settings" in settingsFolder().
fw::FolderItem settingsFile(const std::string& softwareName);

// Moves a settings file that exists but could not be read out of the way, to
// "settings.unreadable" beside it, so that writing a fresh file does not destroy it. True
// when nothing stands at the settings file's place any more.
bool setAsideUnreadableSettings(const std::string& softwareName);

} // namespace sets
