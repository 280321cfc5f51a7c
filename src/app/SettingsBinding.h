#pragma once
// Binds each of the 81 documentation settings to the control or property of
// the main window that holds it, driven by the settings table: read the
// value as the control holds it now, assign a loaded value with the
// control's own side effects, and connect the change notifications of the
// controls whose edits mark the settings as changed. Owns nothing; the
// window owns the controls, the seams and the HTML export dialog.
#include "settings/DocSettings.h"

#include <array>
#include <functional>
#include <string>

class QObject;
class QWidget;
class TListOrdering;
class TLoginParams;
struct TFileDialog;

class TSettingsBinding : public SettingsAccessor {
public:
    // Finds every settings control among the window's children by name;
    // raises std::logic_error when one is missing.
    TSettingsBinding(QWidget& window, TLoginParams& login, TListOrdering& ordering, TFileDialog& htmlDialog);

    std::string Text(Setting s) const override;
    bool Bool(Setting s) const override;
    int Int(Setting s) const override;

    // Gives the setting a held value (DocSettings.h). Exceptions of the
    // holder (a connection refusing a new user name) pass through.
    void Assign(Setting s, const std::string& held);

    // Calls changed() on every edit of a control whose setting marks the
    // settings as changed; "Show system data" and the sort orders have
    // handlers of their own and are left out.
    void ConnectChanges(QObject* context, const std::function<void()>& changed);

    // The control that holds the setting; null for a property.
    QWidget* Control(Setting s) const { return FControls[std::size_t(s)]; }

private:
    std::array<QWidget*, SettingCount> FControls{};
    TLoginParams& FLogin;
    TListOrdering& FOrdering;
    TFileDialog& FHtmlDialog;
};

// All characters of a file name up to and including its last "/".
std::string DirectoryPart(const std::string& fileName);
