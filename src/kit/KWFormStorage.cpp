#include "kit/KWFormStorage.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <stdexcept>

namespace {

// A stored 32-bit integer; nullopt when the value is missing or of
// another kind (a list, a text that is no number, a number out of range).
std::optional<int> ReadInt(const QSettings& store, const char* name)
{
    if (!store.contains(QLatin1String(name)))
        return std::nullopt;
    QVariant v = store.value(QLatin1String(name));
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::QString:
    case QMetaType::QByteArray: break;
    default: return std::nullopt;
    }
    bool ok = false;
    qlonglong n = v.toString().trimmed().toLongLong(&ok);
    if (!ok || n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<int>(n);
}

} // namespace

TKWFormStorage::TKWFormStorage(QWidget* owner) : FOwner(owner) {}

TKWFormStorage::~TKWFormStorage()
{
    if (FStored)
        return;
    try {
        Store();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnel: %s\n", e.what());
    }
}

TKWFormStorage::TStoreLocation TKWFormStorage::LocationOf(const std::string& registryKey)
{
    QStringList parts = QString::fromLatin1(registryKey).split(u'\\', Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.pop_front();
    TStoreLocation l;
    if (!parts.isEmpty())
        l.Organisation = parts.takeFirst();
    if (!parts.isEmpty())
        l.Application = parts.takeFirst();
    l.Group = parts.join(u'/');
    return l;
}

void TKWFormStorage::Loaded()
{
    if (FRegistryKey.empty() || !FOwner)
        return;
    TStoreLocation where = LocationOf(FRegistryKey);
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, where.Organisation, where.Application);
    // Opening without creating: a store that does not exist (or cannot be
    // read) ends the restore.
    if (store.status() != QSettings::NoError || !QFileInfo::exists(store.fileName()))
        return;
    if (!where.Group.isEmpty())
        store.beginGroup(where.Group);
    if (FOptions.Has(TStorageOption::fsPosition)) {
        if (std::optional<int> left = ReadInt(store, "Left")) {
            FOwner->move(*left, FOwner->y());
            if (std::optional<int> top = ReadInt(store, "Top"))
                FOwner->move(FOwner->x(), *top);
        }
    }
    if (FOptions.Has(TStorageOption::fsSize)) {
        if (std::optional<int> width = ReadInt(store, "Width")) {
            FOwner->resize(*width, FOwner->height());
            if (std::optional<int> height = ReadInt(store, "Height"))
                FOwner->resize(FOwner->width(), *height);
        }
    }
    if (FOptions.Has(TStorageOption::fsState)) {
        if (std::optional<int> state = ReadInt(store, "State"); state && *state != 0)
            FOwner->setWindowState(FOwner->windowState() | Qt::WindowMaximized);
    }
}

void TKWFormStorage::Store()
{
    if (FRegistryKey.empty() || !FOwner)
        return;
    FStored = true;
    TStoreLocation where = LocationOf(FRegistryKey);
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, where.Organisation, where.Application);
    if (!where.Group.isEmpty())
        store.beginGroup(where.Group);
    bool maximised = FOwner->isMaximized();
    if (FOptions.Has(TStorageOption::fsState))
        store.setValue(QStringLiteral("State"), maximised ? 1 : 0);
    if (!maximised) {
        if (FOptions.Has(TStorageOption::fsPosition)) {
            store.setValue(QStringLiteral("Left"), FOwner->x());
            store.setValue(QStringLiteral("Top"), FOwner->y());
        }
        if (FOptions.Has(TStorageOption::fsSize)) {
            store.setValue(QStringLiteral("Width"), FOwner->width());
            store.setValue(QStringLiteral("Height"), FOwner->height());
        }
    }
    store.sync();
    if (store.status() != QSettings::NoError)
        throw std::runtime_error("Cannot write the window placement to " + store.fileName().toStdString());
}
