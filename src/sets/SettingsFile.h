#pragma once

#include "fw/FolderItem.h"

#include <optional>
#include <string>

namespace sets {

// The folder that holds the settings file: the application's own folder in Application
// Support.
fw::FolderItem settingsFolder(const std::string& softwareName);

// The settings file itself, "settings" in settingsFolder().
fw::FolderItem settingsFile(const std::string& softwareName);

// Moves a settings file that exists but could not be read out of the way, to the first name
// beside it that is free ("settings.unreadable", "settings.unreadable.2", ...), so that
// writing a fresh file destroys neither it nor a file kept at an earlier start. The file it
// is kept as; none when it could not be moved.
std::optional<fw::FolderItem> setAsideUnreadableSettings(const std::string& softwareName);

} // namespace sets
