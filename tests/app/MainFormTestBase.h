#pragma once
// A main window on the offscreen platform with scripted dialog answers and
// a private per-user store. The window is destroyed before the store goes,
// so its shut-down writes into the sandbox.
#include "app/MainForm.h"
#include "guisupport/ScriptedDialogs.h"
#include "guisupport/UserStoreSandbox.h"
#include "settings/DocSettings.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace varnel::test {

// Login parameters that refuse changes while "connected", as the
// connection does.
class RefusingLoginParams : public TStoredLoginParams {
public:
    bool Connected = false;
    void SetUsername(const std::string& v) override
    {
        if (Connected)
            throw std::runtime_error("Cannot change while connected");
        TStoredLoginParams::SetUsername(v);
    }
    void SetSQLRole(const std::string& v) override
    {
        if (Connected)
            throw std::runtime_error("Cannot change while connected");
        TStoredLoginParams::SetSQLRole(v);
    }
};

class MainFormTest : public ::testing::Test {
protected:
    UserStoreSandbox store;
    TempDir dir;
    ScriptedDialogs dialogs;
    RefusingLoginParams* login = nullptr; // owned by the form
    std::unique_ptr<TMainForm> form;

    void Start()
    {
        auto params = std::make_unique<RefusingLoginParams>();
        login = params.get();
        form = std::make_unique<TMainForm>(dialogs, std::move(params));
        form->show();
    }
    // Destroys the window (shut-down writes the per-user store).
    void End()
    {
        form.reset();
        login = nullptr;
    }
    void TearDown() override
    {
        form.reset();
        EXPECT_TRUE(dialogs.AllAnswered()) << "answers left over";
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::string Caption() const { return form->windowTitle().toStdString(); }
    template <class W>
    W* Find(const char* name) const
    {
        W* w = form->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
    QPlainTextEdit* Memo(const char* name) const { return Find<QPlainTextEdit>(name); }
    QCheckBox* Check(const char* name) const { return Find<QCheckBox>(name); }
    const SettingsAccessor& Settings() const { return form->Settings(); }
};

} // namespace varnel::test
