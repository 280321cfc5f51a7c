// Start-up, the path field, the caption and shut-down of the main window.
#include "MainFormTestBase.h"

#include <QTest>
#include <filesystem>

using namespace varnel::test;
namespace fs = std::filesystem;

namespace {

TEST_F(MainFormTest, FirstStartShowsFormDefaultsWithoutFile)
{
    Start();
    EXPECT_EQ(Caption(), "Varnel");
    EXPECT_EQ(form->Ui().LoginButton->text().toStdString(), "Connect...");
    EXPECT_FALSE(form->Ui().LoginButton->isEnabled());
    EXPECT_FALSE(form->Ui().MenuFileSave->isEnabled());
    EXPECT_TRUE(form->Ui().MenuFileSaveAs->isEnabled());
    EXPECT_FALSE(form->Ui().HTMLExportButton->isEnabled());
    EXPECT_FALSE(form->Ui().XMLExportButton->isEnabled());
    EXPECT_FALSE(form->Ui().ScriptExportButton->isEnabled());
    EXPECT_EQ(form->SettingsFile(), "");
    EXPECT_FALSE(form->SettingsChangedFlag());
    for (const SettingInfo& i : SettingsTable())
        EXPECT_EQ(Settings().Text(i.Id), i.FormDefault) << SettingName(i.Id);
    EXPECT_EQ(Memo("HeaderMemo")->toPlainText().size(), 830 - 32);
    End();
    EXPECT_EQ(store.Remembered(), std::optional<std::string>(""));
}

TEST_F(MainFormTest, RememberedFileIsLoadedAtStart)
{
    std::string file = Path("remembered.ini");
    writeFile(file, "[Settings]\r\nDatabase=/data/my.fdb\r\nDbUsername=ANNA\r\nSystemData=1\r\n"
                    "[Tables]\r\nCaption=Alle Tabellen\r\n");
    store.Remember(file);
    Start();
    EXPECT_EQ(Caption(), "Varnel -- " + file);
    EXPECT_EQ(form->SettingsFile(), file);
    EXPECT_FALSE(form->SettingsChangedFlag());
    EXPECT_TRUE(form->Ui().LoginButton->isEnabled());
    EXPECT_TRUE(form->Ui().MenuFileSave->isEnabled());
    EXPECT_EQ(form->Ui().DbPathEdit->text().toStdString(), "/data/my.fdb");
    EXPECT_TRUE(form->Ui().SystemDataCheckBox->isChecked());
    EXPECT_EQ(form->LoginParams().Username(), "ANNA");
    EXPECT_EQ(Edit("TablesCaptionEdit")->text().toStdString(), "Alle Tabellen");
    // Missing keys took their missing-key values.
    EXPECT_EQ(Memo("HeaderMemo")->toPlainText().toStdString(), "");
    EXPECT_EQ(Settings().Text(Setting::Tables_NotNullColumnText), "X");
    EXPECT_EQ(form->INIOpenDialog.FileName, file);
    EXPECT_EQ(form->INISaveDialog.FileName, file);
    End();
    EXPECT_EQ(store.Remembered(), std::optional<std::string>(file));
}

TEST_F(MainFormTest, DeletedRememberedFileStartsLikeFirstStartAndIsForgotten)
{
    std::string file = Path("deleted.ini");
    store.Remember(file);
    Start();
    EXPECT_EQ(Caption(), "Varnel");
    EXPECT_FALSE(form->Ui().LoginButton->isEnabled());
    EXPECT_FALSE(form->Ui().MenuFileSave->isEnabled());
    EXPECT_EQ(form->SettingsFile(), "");
    EXPECT_EQ(Settings().Text(Setting::HTML_Header), InfoOf(Setting::HTML_Header).FormDefault);
    EXPECT_EQ(form->INIOpenDialog.FileName, "");
    EXPECT_FALSE(fs::exists(file));
    End();
    EXPECT_EQ(store.Remembered(), std::optional<std::string>(""));
}

TEST_F(MainFormTest, StoreValueThatIsNoStringIsIgnored)
{
    std::string file = Path("a.ini");
    writeFile(file, "[Settings]\r\nDatabase=x\r\n");
    fs::create_directories(store.StoreFile().parent_path());
    writeFile(store.StoreFile(), "[General]\nSettingsFile=" + file + ", " + file + "\n");
    Start();
    EXPECT_EQ(form->SettingsFile(), "");
    EXPECT_EQ(Caption(), "Varnel");
    EXPECT_TRUE(dialogs.Errors.empty());
}

TEST_F(MainFormTest, RememberedFolderIsNoSettingsFile)
{
    store.Remember(dir.path().string());
    Start();
    EXPECT_EQ(form->SettingsFile(), "");
}

TEST_F(MainFormTest, TypingIntoPathFieldEnablesConnect)
{
    Start();
    QLineEdit* path = form->Ui().DbPathEdit;
    path->setFocus();
    QTest::keyClicks(path, "db");
    EXPECT_EQ(path->text().toStdString(), "db");
    EXPECT_TRUE(form->Ui().LoginButton->isEnabled());
    QTest::keyClick(path, Qt::Key_Backspace);
    EXPECT_TRUE(form->Ui().LoginButton->isEnabled());
    QTest::keyClick(path, Qt::Key_Backspace);
    EXPECT_FALSE(form->Ui().LoginButton->isEnabled());
    // The path is not one of the settings that mark a change.
    EXPECT_FALSE(form->SettingsChangedFlag());
}

TEST_F(MainFormTest, CaptionFollowsTheCurrentFile)
{
    Start();
    std::string a = Path("a.ini"), b = Path("b.ini");
    dialogs.AnswerFile(a);
    form->Ui().MenuFileSaveAs->trigger();
    EXPECT_EQ(Caption(), "Varnel -- " + a);
    dialogs.AnswerFile(b);
    form->Ui().MenuFileLoad->trigger(); // a file that does not exist loads too
    EXPECT_EQ(Caption(), "Varnel -- " + b);
    EXPECT_EQ(form->SettingsFile(), b);
    EXPECT_FALSE(fs::exists(b));
    dialogs.CancelFile();
    form->Ui().MenuFileLoad->trigger();
    EXPECT_EQ(Caption(), "Varnel -- " + b);
    End();
    EXPECT_EQ(store.Remembered(), std::optional<std::string>(b));
}

} // namespace
