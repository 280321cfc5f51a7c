#pragma once
// Points the per-user store (QSettings, native format, user scope) at a
// fresh temporary folder for the lifetime of the object: XDG_CONFIG_HOME is
// set to it, and so is Qt's cached user path, which Qt computes only once
// per process. Restores both when it goes.
#include "support/TestEnv.h"

#include <filesystem>
#include <optional>
#include <string>

namespace varnel::test {

class UserStoreSandbox {
public:
    UserStoreSandbox();
    ~UserStoreSandbox();
    UserStoreSandbox(const UserStoreSandbox&) = delete;
    UserStoreSandbox& operator=(const UserStoreSandbox&) = delete;

    // $XDG_CONFIG_HOME/Ostrel/Varnel.conf
    std::filesystem::path StoreFile() const;
    // Writes "SettingsFile" as the program would.
    void Remember(const std::string& settingsFile) const;
    // "SettingsFile" as stored; nullopt when the value is missing.
    std::optional<std::string> Remembered() const;

private:
    TempDir FDir;
    std::optional<std::string> FOldXdg;
};

} // namespace varnel::test
