#include "app/UserStore.h"

#include <QFile>
#include <QSettings>
#include <QVariant>
#include <stdexcept>

namespace {

constexpr const char* Organisation = "Ostrel";
constexpr const char* Application = "Varnel";
constexpr const char* SettingsFileValue = "SettingsFile";

} // namespace

std::string ReadRememberedSettingsFile()
{
    try {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, Organisation, Application);
        if (store.status() != QSettings::NoError || !store.contains(SettingsFileValue))
            return {};
        QVariant v = store.value(SettingsFileValue);
        if (v.typeId() != QMetaType::QString)
            return {};
        return QFile::encodeName(v.toString()).toStdString();
    } catch (...) {
        return {};
    }
}

void WriteRememberedSettingsFile(const std::string& fileName)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, Organisation, Application);
    store.setValue(SettingsFileValue, QFile::decodeName(fileName.c_str()));
    store.sync();
    if (store.status() != QSettings::NoError)
        throw std::runtime_error("Cannot write the user settings " + store.fileName().toStdString());
}
