// Keeps the editor's settings in an INI file at the user's configuration location,
// under the same key names and sections as the registry held them.
#pragma once

#include <QSettings>
#include <memory>

#include "model/settings.h"

namespace orv {

// The settings file: organisation "Orvanedit", application "Orvane", with the
// "v1.0" level above the "Settings", "Recent File List", "Tip" and bar-state sections.
std::unique_ptr<QSettings> OpenSettingsStore();

// Reads every setting (missing or unreadable values keep their defaults).
void LoadSettings(QSettings& store, Settings& s);
// Writes every setting in the order of SettingFields().
void SaveSettings(QSettings& store, const Settings& s);

// Group names below the "v1.0" level.
inline constexpr const char* kSettingsGroup = "v1.0/Settings";
inline constexpr const char* kTipGroup = "v1.0/Tip";
inline constexpr const char* kRecentGroup = "v1.0/Recent File List";
inline constexpr const char* kBarStateKey = "v1.0/ToolBar/State";
inline constexpr const char* kGameGroup = "v1.0/Game";

}  // namespace orv
