#pragma once
// The per-user store of the main window: QSettings with organisation
// "Ostrel" and application "Varnel", native format, user scope (on Linux
// $XDG_CONFIG_HOME/Ostrel/Varnel.conf). The string value "SettingsFile"
// names the settings file that was current when the program last ended.
#include <string>

// The remembered settings file; empty when there is none. Errors of the
// store (unreadable, a value that is not a string) read as empty.
std::string ReadRememberedSettingsFile();
// Stores the name (empty: no file). Raises std::runtime_error when the
// store cannot be written.
void WriteRememberedSettingsFile(const std::string& fileName);
