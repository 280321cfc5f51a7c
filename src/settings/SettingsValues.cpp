#include "settings/SettingsValues.h"

#include <stdexcept>

namespace {

void Require(Setting s, SettingType type, const char* what)
{
    if (InfoOf(s).Type != type)
        throw std::logic_error(SettingName(s) + " is not " + what);
}

} // namespace

SettingsValues::SettingsValues()
{
    for (const SettingInfo& info : SettingsTable())
        FValues[std::size_t(info.Id)] = info.FormDefault;
}

SettingsValues SettingsValues::FromFile(const std::string& fileName)
{
    SettingsValues v;
    v.Load(fileName);
    return v;
}

void SettingsValues::Load(const std::string& fileName)
{
    LoadSettingsFile(fileName, [this](Setting s, const std::string& held) { FValues[std::size_t(s)] = held; });
}

void SettingsValues::Save(const std::string& fileName) const { SaveSettingsFile(fileName, *this); }

std::string SettingsValues::Text(Setting s) const { return FValues.at(std::size_t(s)); }

bool SettingsValues::Bool(Setting s) const
{
    Require(s, SettingType::Boolean, "a Boolean");
    return FValues[std::size_t(s)] == "1";
}

int SettingsValues::Int(Setting s) const
{
    Require(s, SettingType::Integer, "an integer");
    int v = 0;
    ParseSettingNumber(FValues[std::size_t(s)], v);
    return v;
}

void SettingsValues::SetText(Setting s, const std::string& value)
{
    const SettingInfo& info = InfoOf(s);
    switch (info.Type) {
    case SettingType::Text:
        FValues[std::size_t(s)] = value;
        break;
    case SettingType::MultiLine:
        FValues[std::size_t(s)] = MemoText(value);
        break;
    default:
        FValues[std::size_t(s)] = HeldFromStored(info, value);
        break;
    }
}

void SettingsValues::SetBool(Setting s, bool value)
{
    Require(s, SettingType::Boolean, "a Boolean");
    FValues[std::size_t(s)] = value ? "1" : "0";
}

void SettingsValues::SetInt(Setting s, int value)
{
    Require(s, SettingType::Integer, "an integer");
    FValues[std::size_t(s)] = HeldFromStored(InfoOf(s), std::to_string(value));
}
