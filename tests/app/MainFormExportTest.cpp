// The four export commands of the main window on a real database: each
// dialog, the documents it writes (the exporters' golden files), Cancel
// touching no file, the one-object script's proposed name, errors shown
// by the top-level display, and [Settings] HTMLDir following the HTML
// dialog.
#include "app/MainForm.h"
#include "catalogue/Catalogue.h"
#include "export/ExportTestUtil.h"
#include "guisupport/ScriptedDialogs.h"
#include "guisupport/UserStoreSandbox.h"
#include "settings/DocSettings.h"
#include "support/TestEnv.h"

#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

using namespace varnel::test;
using varnel::exporttest::ExpectGolden;

namespace {

class MainFormExportTest : public ::testing::Test {
protected:
    UserStoreSandbox store;
    TempDir dir;
    ScriptedDialogs dialogs;
    TestDatabase db;
    std::unique_ptr<TMainForm> form;

    void SetUp() override
    {
        ::setenv("SOURCE_DATE_EPOCH", "1078617600", 1);
        form = std::make_unique<TMainForm>(dialogs);
        form->show();
        form->findChild<QLineEdit*>("DbPathEdit")->setText(QString::fromLatin1(db.path()));
        dialogs.AnswerLogin("SYSDBA", "");
        Click("LoginButton");
        ASSERT_EQ(form->ConnectedState(), 1) << (dialogs.Errors.empty() ? "" : dialogs.Errors.back());
    }
    void TearDown() override
    {
        form.reset();
        ::unsetenv("SOURCE_DATE_EPOCH");
        EXPECT_TRUE(dialogs.AllAnswered()) << "answers left over";
    }
    void Click(const char* button) { form->findChild<QPushButton*>(button)->click(); }
    void Popup(TObjectList list)
    {
        form->Guard([&] { form->PopupMenuExportSQLScriptClick(list); });
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::string Read(const std::string& name) const { return readFile(dir / name); }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(MainFormExportTest, EachCommandWritesItsDocument)
{
    dialogs.AnswerFile(Path("defaults.html"));
    Click("HTMLExportButton");
    dialogs.AnswerFile(Path("catalogue.xml"));
    Click("XMLExportButton");
    dialogs.AnswerFile(Path("descriptions.sql"));
    Click("ScriptExportButton");
    EXPECT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();

    ASSERT_EQ(dialogs.FileDialogs.size(), 3u);
    EXPECT_EQ(dialogs.FileDialogs[0].Name, "SaveDialog");
    EXPECT_EQ(dialogs.FileDialogs[0].Title, "Save Database Documentation as");
    EXPECT_EQ(dialogs.FileDialogs[1].Name, "XMLSaveDialog");
    EXPECT_EQ(dialogs.FileDialogs[2].Name, "DescriptionExportDialog");
    ExpectGolden("defaults.html", Read("defaults.html"), db.path());
    ExpectGolden("catalogue.xml", Read("catalogue.xml"), db.path());
    ExpectGolden("descriptions.sql", Read("descriptions.sql"), db.path());
}

TEST_F(MainFormExportTest, CancelInEveryDialogTouchesNoFile)
{
    dialogs.CancelFile();
    Click("HTMLExportButton");
    dialogs.CancelFile();
    Click("XMLExportButton");
    dialogs.CancelFile();
    Click("ScriptExportButton");
    form->Catalogue().TableQuery.Locate("RDB$RELATION_NAME", {std::string("ORDERS")});
    dialogs.CancelFile();
    Popup(TObjectList::Tables);
    EXPECT_EQ(dialogs.FileDialogs.size(), 4u);
    EXPECT_TRUE(dialogs.Errors.empty());
    EXPECT_TRUE(Files().empty());
    // A cancelled HTML dialog chose no folder.
    EXPECT_EQ(form->Settings().Text(Setting::Settings_HTMLDir), "");
}

TEST_F(MainFormExportTest, ObjectScriptProposesItsNameAndWritesOnlyThatObject)
{
    ASSERT_TRUE(form->Catalogue().ProcedureQuery.Locate("RDB$PROCEDURE_NAME", {std::string("P_ORDERS")}));
    dialogs.CancelFile();
    Popup(TObjectList::Procedures);
    ASSERT_EQ(dialogs.FileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.FileDialogs[0].Name, "DescriptionExportDialog");
    EXPECT_EQ(dialogs.FileDialogs[0].FileName, "DESC_P_ORDERS.sql");
    // The dialog keeps the proposed name for the whole script too.
    dialogs.CancelFile();
    Click("ScriptExportButton");
    EXPECT_EQ(dialogs.FileDialogs[1].FileName, "DESC_P_ORDERS.sql");
    EXPECT_TRUE(Files().empty());

    dialogs.AnswerFile(Path("DESC_P_ORDERS.sql"));
    Popup(TObjectList::Procedures);
    EXPECT_EQ(Read("DESC_P_ORDERS.sql"),
              "COMMENT ON PROCEDURE \"P_ORDERS\" IS 'Orders of one customer above an amount';\r\n"
              "COMMENT ON PARAMETER \"P_ORDERS\".\"CUST\" IS 'Customer id';\r\n"
              "COMMENT ON PARAMETER \"P_ORDERS\".\"AMOUNT\" IS 'Order amount';\r\n"
              "COMMIT;\r\n\r\n");

    ASSERT_TRUE(form->Catalogue().ViewQuery.Locate("RDB$RELATION_NAME", {std::string("V_ORDERS_CUST")}));
    dialogs.AnswerFile(Path("view.sql"));
    Popup(TObjectList::Views);
    EXPECT_EQ(dialogs.FileDialogs.back().FileName, "DESC_V_ORDERS_CUST.sql");
    EXPECT_EQ(Read("view.sql"), "COMMENT ON VIEW \"V_ORDERS_CUST\" IS 'Orders with the customer''s name';\r\n"
                                "COMMENT ON COLUMN \"V_ORDERS_CUST\".\"NAME\" IS 'From CUSTOMERS';\r\n"
                                "COMMIT;\r\n\r\n");
    // The browse lists stay where the user put them.
    EXPECT_EQ(form->Catalogue().ProcedureQuery.FieldByName("RDB$PROCEDURE_NAME").AsString(), "P_ORDERS");
    EXPECT_EQ(form->Catalogue().ViewQuery.FieldByName("RDB$RELATION_NAME").AsString(), "V_ORDERS_CUST");
}

TEST_F(MainFormExportTest, ErrorsAreShownAndTheNextExportIsComplete)
{
    const std::string missing = Path("no/such/doc");
    dialogs.AnswerFile(missing + ".xml");
    Click("XMLExportButton");
    dialogs.AnswerFile(missing + ".html");
    Click("HTMLExportButton");
    dialogs.AnswerFile(missing + ".sql");
    Click("ScriptExportButton");
    ASSERT_EQ(dialogs.Errors.size(), 3u);
    EXPECT_EQ(dialogs.Errors[0], "Could not open file " + missing + ".xml");
    EXPECT_EQ(dialogs.Errors[1], "Could not create file " + missing + ".html");
    EXPECT_EQ(dialogs.Errors[2], "Could not create file " + missing + ".sql");
    EXPECT_TRUE(Files().empty());

    dialogs.AnswerFile(Path("catalogue.xml"));
    Click("XMLExportButton");
    ExpectGolden("catalogue.xml", Read("catalogue.xml"), db.path());
}

// The HTML dialog opens in [Settings] HTMLDir, and the folder of the file
// chosen there is what the setting then holds.
TEST_F(MainFormExportTest, HTMLDirFollowsTheHTMLDialog)
{
    SettingsValues values;
    values.SetText(Setting::Settings_HTMLDir, "/srv/docs/");
    values.SetText(Setting::Settings_Database, db.path());
    values.Save(Path("settings.ini"));
    form->Guard([&] { form->LoginButtonClick(); }); // disconnect: the user name may change
    form->LoadSettings(Path("settings.ini"));
    dialogs.AnswerLogin("SYSDBA", "");
    Click("LoginButton");
    ASSERT_EQ(form->ConnectedState(), 1);

    std::filesystem::create_directory(dir / "out");
    dialogs.AnswerFile(Path("out/manual.html"));
    Click("HTMLExportButton");
    ASSERT_EQ(dialogs.FileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.FileDialogs[0].InitialDir, "/srv/docs/");
    EXPECT_TRUE(std::filesystem::exists(dir / "out" / "manual.html"));
    EXPECT_EQ(form->Settings().Text(Setting::Settings_HTMLDir), Path("out") + "/");
}

} // namespace
