#pragma once
// The documentation settings without a window: every value held exactly as
// its control would hold it (see DocSettings.h), starting from the form
// defaults. Used by the headless exporter and by tests. Value object.
#include "settings/DocSettings.h"

#include <array>
#include <string>

class SettingsValues : public SettingsAccessor {
public:
    // The form defaults.
    SettingsValues();
    // The form defaults, then the file applied with the loader's rules.
    static SettingsValues FromFile(const std::string& fileName);

    // Applies every setting of the file (missing keys: missing-key values).
    void Load(const std::string& fileName);
    // Writes every setting into the file in place; raises EProfileWriteError.
    void Save(const std::string& fileName) const;

    std::string Text(Setting s) const override;
    bool Bool(Setting s) const override;
    int Int(Setting s) const override;

    // Sets a value as the user would type it into its control: a multi-line
    // text takes memo form, a Boolean or integer its held form.
    void SetText(Setting s, const std::string& value);
    void SetBool(Setting s, bool value);
    void SetInt(Setting s, int value);

private:
    std::array<std::string, SettingCount> FValues;
};
