#include "guisupport/UserStoreSandbox.h"

#include <QSettings>
#include <QString>
#include <QVariant>
#include <cstdlib>

namespace varnel::test {

namespace {

void PointStoreAt(const QString& dir)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir);
}

QString XdgDefault()
{
    const char* home = std::getenv("HOME");
    return QString::fromLocal8Bit(home ? home : "") + QStringLiteral("/.config");
}

} // namespace

UserStoreSandbox::UserStoreSandbox()
{
    if (const char* old = std::getenv("XDG_CONFIG_HOME"))
        FOldXdg = old;
    setenv("XDG_CONFIG_HOME", FDir.path().c_str(), 1);
    PointStoreAt(QString::fromLocal8Bit(FDir.path().c_str()));
}

UserStoreSandbox::~UserStoreSandbox()
{
    if (FOldXdg) {
        setenv("XDG_CONFIG_HOME", FOldXdg->c_str(), 1);
        PointStoreAt(QString::fromLocal8Bit(FOldXdg->c_str()));
    } else {
        unsetenv("XDG_CONFIG_HOME");
        PointStoreAt(XdgDefault());
    }
}

std::filesystem::path UserStoreSandbox::StoreFile() const { return FDir.path() / "Ostrel" / "Varnel.conf"; }

void UserStoreSandbox::Remember(const std::string& settingsFile) const
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Ostrel", "Varnel");
    s.setValue("SettingsFile", QString::fromLocal8Bit(settingsFile.c_str()));
}

std::optional<std::string> UserStoreSandbox::Remembered() const
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Ostrel", "Varnel");
    if (!s.contains("SettingsFile"))
        return std::nullopt;
    return s.value("SettingsFile").toString().toLocal8Bit().toStdString();
}

} // namespace varnel::test
