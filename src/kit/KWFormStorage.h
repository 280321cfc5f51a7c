#pragma once
// TKWFormStorage remembers where a window was on the screen. Loaded()
// restores the placement from the per-user store, the destructor (or
// Store()) writes it back. The store key is a registry-style path
// relative to the current user ("\Software\Ostrel\Varnel"), mapped to
// QSettings in native format and user scope: after an optional leading
// "Software" the next part is the organisation, the one after it the
// application, any further parts a group. An empty key switches the
// component off.
//
// Values are 32-bit integers: "Left"/"Top" (fsPosition: the outer top-left
// corner, as QWidget::pos() gives it), "Width"/"Height" (fsSize: the size
// QWidget::resize() takes; Qt cannot size a window by its frame before it
// is shown, so the frame stays out and the size round-trips unchanged),
// "State" (fsState, 1 when maximised). Position and size are
// written only while the window is not maximised, so a maximised window
// leaves the last normal placement in the store.
//
// Does not own the window; the window must outlive it (the window keeps
// it as a member, so it stores while the window is still whole).
#include <QString>

#include <initializer_list>
#include <string>

class QSettings;
class QWidget;

enum class TStorageOption : unsigned { fsPosition = 1, fsSize = 2, fsState = 4 };

// A set of TStorageOption.
class TStorageOptions {
public:
    TStorageOptions() = default;
    TStorageOptions(std::initializer_list<TStorageOption> options)
    {
        for (TStorageOption o : options)
            Include(o);
    }
    bool Has(TStorageOption o) const { return (bits_ & static_cast<unsigned>(o)) != 0; }
    void Include(TStorageOption o) { bits_ |= static_cast<unsigned>(o); }
    void Exclude(TStorageOption o) { bits_ &= ~static_cast<unsigned>(o); }
    bool operator==(const TStorageOptions&) const = default;

private:
    unsigned bits_ = 0;
};

class TKWFormStorage {
public:
    explicit TKWFormStorage(QWidget* owner);
    // Stores the placement unless Store() already ran; a failure to write
    // is reported on stderr (nothing is left to show it on).
    ~TKWFormStorage();
    TKWFormStorage(const TKWFormStorage&) = delete;
    TKWFormStorage& operator=(const TKWFormStorage&) = delete;

    const std::string& RegistryKey() const { return FRegistryKey; }
    void SetRegistryKey(std::string key) { FRegistryKey = std::move(key); }
    TStorageOptions Options() const { return FOptions; }
    void SetOptions(TStorageOptions options) { FOptions = options; }

    // Restores the placement; call once the window is built, before it is
    // shown. A value that is missing or not a 32-bit integer ends its step
    // silently (a "Left" already applied stays applied).
    void Loaded();
    // Writes the placement now; raises std::runtime_error naming the store
    // when it cannot be written. The destructor then writes nothing.
    void Store();

    // The organisation, application and group a registry key maps to.
    struct TStoreLocation {
        QString Organisation;
        QString Application;
        QString Group; // "" or "A/B"
    };
    static TStoreLocation LocationOf(const std::string& registryKey);

private:
    QWidget* FOwner;
    std::string FRegistryKey;
    TStorageOptions FOptions{TStorageOption::fsPosition};
    bool FStored = false;
};
