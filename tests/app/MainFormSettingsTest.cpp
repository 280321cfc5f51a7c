// Loading and saving the documentation settings through the main window.
#include "MainFormTestBase.h"
#include "settings/ProfileFile.h"
#include "settings/ScratchMount.h"
#include "settings/SettingsValues.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <map>
#include <set>

using namespace varnel::test;
namespace fs = std::filesystem;

namespace {

bool IsWidgetHeld(const SettingInfo& i)
{
    return std::string(i.Holder).find('.') == std::string::npos && std::string(i.Holder) != "SaveDialog";
}

// Gives every setting a value unlike both of its defaults, as a user would
// through the controls (and the seams for the connection's parameters and
// the sort orders).
void ChangeEverything(MainFormTest& t, TMainForm& form)
{
    for (const SettingInfo& i : SettingsTable()) {
        QWidget* w = form.findChild<QWidget*>(QString::fromLatin1(i.Holder));
        std::string n = std::to_string(int(i.Id));
        if (auto* e = qobject_cast<QLineEdit*>(w))
            e->setText(QString::fromLatin1("t" + n + " <b>\xe4\xa0</b>"));
        else if (auto* m = qobject_cast<QPlainTextEdit*>(w))
            m->setPlainText(QString::fromLatin1("line " + n + "\n\n  indented\xa0\nlast"));
        else if (auto* c = qobject_cast<QCheckBox*>(w))
            c->setChecked(!c->isChecked());
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            g->findChild<QButtonGroup*>()->button(1)->setChecked(true);
    }
    form.LoginParams().SetUsername("ANNA");
    form.LoginParams().SetSQLRole("READER");
    form.ListOrdering().SetOrderingItemNo(TObjectList::Tables, -1);
    form.ListOrdering().SetOrderingItemNo(TObjectList::Procedures, 0);
    form.ListOrdering().SetOrderingItemNo(TObjectList::Views, -1);
}

std::map<Setting, std::string> Snapshot(const SettingsAccessor& s)
{
    std::map<Setting, std::string> m;
    for (const SettingInfo& i : SettingsTable())
        m[i.Id] = s.Text(i.Id);
    return m;
}

TEST_F(MainFormTest, SaveThenLoadRestoresAll81Values)
{
    Start();
    ChangeEverything(*this, *form);
    std::string htmlDir = (dir / "docs").string() + "/";
    form->SaveDialog.FileName = htmlDir + "manual.html"; // as an HTML export leaves it
    std::map<Setting, std::string> saved = Snapshot(Settings());
    EXPECT_EQ(saved[Setting::HTML_Footer], "line 9\r\n\r\n  indented\xa0\r\nlast\r\n");
    EXPECT_EQ(saved[Setting::Settings_HTMLDir], htmlDir);

    std::string file = Path("all.ini");
    dialogs.AnswerFile(file);
    form->Ui().MenuFileSaveAs->trigger();
    ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors[0];
    EXPECT_FALSE(form->SettingsChangedFlag());
    EXPECT_EQ(ReadProfileString(file, "Settings", "HTMLDir", "?"), htmlDir);

    // The next start loads the remembered file.
    End();
    Start();
    EXPECT_EQ(form->SettingsFile(), file);
    EXPECT_FALSE(form->SettingsChangedFlag());
    std::map<Setting, std::string> loaded = Snapshot(Settings());
    for (const SettingInfo& i : SettingsTable()) {
        if (i.Id != Setting::Settings_HTMLDir) {
            EXPECT_EQ(loaded[i.Id], saved[i.Id]) << SettingName(i.Id);
        }
    }
    // The export folder comes back as the HTML dialog's initial folder;
    // the setting itself follows the file chosen in this run.
    EXPECT_EQ(form->SaveDialog.InitialDir, htmlDir);
    EXPECT_EQ(Settings().Text(Setting::Settings_HTMLDir), "");
    form->Ui().MenuFileSave->trigger();
    EXPECT_EQ(ReadProfileString(file, "Settings", "HTMLDir", "?"), "");
}

TEST_F(MainFormTest, SaveAsUsesTheSettingsSaveDialog)
{
    Start();
    dialogs.CancelFile();
    form->Ui().MenuFileSaveAs->trigger();
    EXPECT_EQ(form->SettingsFile(), "");
    EXPECT_FALSE(form->Ui().MenuFileSave->isEnabled());

    std::string file = Path("saved.ini");
    Edit("TOCAfterItemEdit")->setText("</li><!-- x -->");
    dialogs.AnswerFile(file);
    form->Ui().MenuFileSaveAs->trigger();
    ASSERT_EQ(dialogs.FileDialogs.size(), 2u);
    const TFileDialog& d = dialogs.FileDialogs[1];
    EXPECT_EQ(d.Name, "INISaveDialog");
    EXPECT_EQ(d.Kind, TFileDialogKind::Save);
    EXPECT_EQ(d.Title, "Save HTML Settings");
    ASSERT_EQ(d.Filters.size(), 2u);
    EXPECT_EQ(d.Filters[0].Description, "INI files (*.ini)");
    EXPECT_EQ(d.Filters[0].Pattern, "*.ini");
    EXPECT_EQ(d.Filters[1].Description, "All files (*.*)");
    EXPECT_EQ(d.Filters[1].Pattern, "*.*");
    EXPECT_EQ(d.DefaultExt, ".ini");
    EXPECT_TRUE(d.OverwritePrompt);
    EXPECT_EQ(form->SettingsFile(), file);
    EXPECT_EQ(Caption(), "Varnel -- " + file);
    EXPECT_TRUE(form->Ui().MenuFileSave->isEnabled());
    EXPECT_FALSE(form->SettingsChangedFlag());
    EXPECT_EQ(ReadProfileString(file, "TOC", "AfterItem", ""), "</li><!-- x -->");
    EXPECT_EQ(SettingsValues::FromFile(file).Text(Setting::HTML_Header), InfoOf(Setting::HTML_Header).FormDefault);
}

TEST_F(MainFormTest, LoadAppliesFileAndClearsChangedFlag)
{
    std::string file = Path("load.ini");
    writeFile(file, "[Settings]\nDatabase=server:/db.fdb\nSQLRole=RDB$ADMIN\nHTMLDir=/out/\nSystemData=2\n"
                    "TableSortOrder=-1\n[HTML]\nHeader=<html><CRLF>\n[Tables]\nIncludeInHTML=true\n"
                    "[Views]\nIncludeSource=0x1\n[TOC]\nCreateTOC=true\nPosition=1\n");
    Start();
    Edit("TablesCaptionEdit")->setText("edited");
    ASSERT_TRUE(form->SettingsChangedFlag());
    dialogs.AnswerFile(file);
    form->Ui().MenuFileLoad->trigger();
    ASSERT_EQ(dialogs.FileDialogs.size(), 1u);
    const TFileDialog& d = dialogs.FileDialogs[0];
    EXPECT_EQ(d.Name, "INIOpenDialog");
    EXPECT_EQ(d.Kind, TFileDialogKind::Open);
    EXPECT_EQ(d.Title, "Load HTML Settings");
    EXPECT_EQ(d.DefaultExt, ".ini");
    EXPECT_TRUE(d.AcceptMissingFile);
    ASSERT_EQ(d.Filters.size(), 2u);
    EXPECT_EQ(d.Filters[0].Description, "INI files (*.ini)");

    EXPECT_FALSE(form->SettingsChangedFlag());
    EXPECT_EQ(form->SettingsFile(), file);
    EXPECT_EQ(Caption(), "Varnel -- " + file);
    EXPECT_TRUE(form->Ui().MenuFileSave->isEnabled());
    EXPECT_TRUE(form->Ui().LoginButton->isEnabled());
    EXPECT_EQ(form->Ui().DbPathEdit->text().toStdString(), "server:/db.fdb");
    EXPECT_EQ(form->LoginParams().Username(), "");
    EXPECT_EQ(form->LoginParams().SQLRole(), "RDB$ADMIN");
    EXPECT_EQ(form->SaveDialog.InitialDir, "/out/");
    EXPECT_TRUE(form->Ui().SystemDataCheckBox->isChecked());        // "2"
    EXPECT_EQ(form->ListOrdering().OrderingItemNo(TObjectList::Tables), -1);
    EXPECT_EQ(form->ListOrdering().OrderingItemNo(TObjectList::Views), 1);
    EXPECT_TRUE(Check("IncludeTablesCheckBox")->isChecked());       // "true": missing-key value true
    EXPECT_TRUE(Check("ViewSourceCheckBox")->isChecked());          // "0x1"
    EXPECT_FALSE(Check("TOCCheckBox")->isChecked());                // "true": missing-key value false
    EXPECT_TRUE(Check("IncludeProceduresCheckBox")->isChecked());   // missing key
    EXPECT_FALSE(Check("ProcedureSourceCheckBox")->isChecked());
    EXPECT_EQ(Settings().Int(Setting::TOC_Position), 1);
    EXPECT_EQ(Settings().Text(Setting::HTML_Header), "<html>\r\n");
    EXPECT_EQ(Memo("EndTagMemo")->toPlainText().toStdString(), "");
    EXPECT_EQ(Edit("NotNullColumnTextEdit")->text().toStdString(), "X");
    EXPECT_EQ(Edit("TablesCaptionEdit")->text().toStdString(), "");
}

TEST_F(MainFormTest, FileWithoutHtmlSectionEmptiesHeaderAndFooter)
{
    std::string file = Path("nohtml.ini");
    SettingsValues().Save(file);
    std::string text = readFile(file);
    writeFile(file, text.substr(0, text.find("[HTML]")) + text.substr(text.find("[Tables]")));
    Start();
    dialogs.AnswerFile(file);
    form->Ui().MenuFileLoad->trigger();
    EXPECT_EQ(Memo("HeaderMemo")->toPlainText().toStdString(), "");
    EXPECT_EQ(Memo("EndTagMemo")->toPlainText().toStdString(), "");
    EXPECT_EQ(Edit("TablesBeforeCaptionEdit")->text().toStdString(), "<h1 style=\"page-break-before:always\">");
}

TEST_F(MainFormTest, SaveKeepsForeignContentOfHandEditedFile)
{
    std::string file = Path("hand.ini");
    writeFile(file, "; my notes\r\n[Extra]\r\nKeep=me\r\n[TOC]\r\n; position below\r\nPOSITION=1\r\nOwn=1\r\n");
    store.Remember(file);
    Start();
    Edit("TOCBeforeItemEdit")->setText("<li>*");
    form->Ui().MenuFileSave->trigger();
    std::string text = readFile(file);
    EXPECT_EQ(text.rfind("; my notes\r\n[Extra]\r\nKeep=me\r\n[TOC]\r\n; position below\r\nPosition=1\r\nOwn=1\r\n"
                         "CreateTOC=0\r\nBegin=",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("BeforeItem=<li>*\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Settings]\r\nDatabase=\r\nDbUsername=\r\n"), std::string::npos);
}

TEST_F(MainFormTest, MemosHoldLinesWithCrLf)
{
    Start();
    Memo("TOCEndMemo")->setPlainText("no break");
    EXPECT_EQ(Settings().Text(Setting::TOC_End), "no break\r\n");
    Memo("TOCEndMemo")->setPlainText("");
    EXPECT_EQ(Settings().Text(Setting::TOC_End), "");
    std::string file = Path("memo.ini");
    writeFile(file, "[TOC]\r\nEnd=a<CRLF><CRLF>b\rc<CRLF>\r\nPosition=-1\r\n");
    dialogs.AnswerFile(file);
    form->Ui().MenuFileLoad->trigger();
    EXPECT_EQ(Settings().Text(Setting::TOC_End), "a\r\n\r\nb\r\nc\r\n");
    // A position outside the group's items leaves none chosen.
    EXPECT_EQ(Settings().Int(Setting::TOC_Position), -1);
    auto* group = Find<QGroupBox>("TOCPositionRadioGroup")->findChild<QButtonGroup*>();
    EXPECT_EQ(group->checkedButton(), nullptr);
}

// Settings whose edits do not ask for saving on close.
const std::set<std::string> NotMarking = {
    "Settings_Database",       "Tables_IncludeInHTML",    "Views_IncludeInHTML",  "Procedures_IncludeInHTML",
    "Views_IncludeSource",     "Procedures_IncludeSource", "Views_BeforeSource",  "Views_AfterSource",
    "Procedures_BeforeSource", "Procedures_AfterSource"};

std::string Ident(Setting s) { return std::string(InfoOf(s).Section) + "_" + InfoOf(s).Key; }

} // namespace

void PrintTo(Setting s, std::ostream* os) { *os << SettingName(s); }

namespace {

std::vector<Setting> WidgetHeld()
{
    std::vector<Setting> v;
    for (const SettingInfo& i : SettingsTable())
        if (IsWidgetHeld(i))
            v.push_back(i.Id);
    return v;
}

class MarksChange : public MainFormTest, public ::testing::WithParamInterface<Setting> {};

TEST_P(MarksChange, WhenUserEditsControl)
{
    Start();
    const SettingInfo& info = InfoOf(GetParam());
    QWidget* w = form->findChild<QWidget*>(QString::fromLatin1(info.Holder));
    ASSERT_NE(w, nullptr);
    const std::string before = Settings().Text(info.Id);
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->findChild<QButtonGroup*>()->button(1)->click();
    } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
        c->click();
    } else {
        form->Ui().MainPageControl->setCurrentWidget(form->Ui().HTMLSettingsPage);
        w->setFocus();
        QTest::keyClicks(w, "z");
    }
    ASSERT_NE(Settings().Text(info.Id), before);
    bool marks = NotMarking.count(Ident(info.Id)) == 0;
    EXPECT_EQ(form->SettingsChangedFlag(), marks);
    // Closing asks exactly when the edit marked a change.
    if (marks)
        dialogs.AnswerMessage(TMsgResult::No);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(dialogs.Messages.size(), marks ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(MainForm, MarksChange, ::testing::ValuesIn(WidgetHeld()),
                         [](const auto& i) { return Ident(i.param); });

TEST_F(MainFormTest, TogglingOnlyIncludeViewsClosesWithoutAsking)
{
    Start();
    Check("IncludeViewsCheckBox")->click();
    Check("IncludeViewsCheckBox")->click();
    Check("IncludeViewsCheckBox")->click();
    EXPECT_FALSE(Settings().Bool(Setting::Views_IncludeInHTML));
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(MainFormTest, FailedSaveAsKeepsStateAndReports)
{
    std::string current = Path("current.ini");
    writeFile(current, "[Tables]\r\nCaption=Old\r\n");
    store.Remember(current);
    Start();
    Edit("TablesCaptionEdit")->setText("New");
    for (std::string target : {std::string("/dev/full"), Path("missing/folder.ini")}) {
        dialogs.AnswerFile(target);
        form->Ui().MenuFileSaveAs->trigger();
        ASSERT_EQ(dialogs.Errors.size(), 1u) << target;
        EXPECT_EQ(dialogs.Errors[0], "In " + target + " kann nicht geschrieben werden");
        dialogs.Errors.clear();
        EXPECT_EQ(form->SettingsFile(), current);
        EXPECT_TRUE(form->SettingsChangedFlag());
        EXPECT_EQ(Caption(), "Varnel -- " + current);
    }
    EXPECT_EQ(readFile(current), "[Tables]\r\nCaption=Old\r\n");
}

TEST_F(MainFormTest, FailedSaveOfReadOnlyCurrentFileKeepsStateAndReports)
{
    fs::create_directories(dir / "src");
    writeFile(dir / "src" / "s.ini", "[Tables]\r\nCaption=Old\r\n");
    ScratchMount ro = ScratchMount::ReadOnlyBind(dir / "src", dir / "ro");
    if (!ro.Active())
        GTEST_SKIP() << "cannot mount here";
    std::string current = (dir / "ro" / "s.ini").string();
    store.Remember(current);
    Start();
    ASSERT_EQ(form->SettingsFile(), current);
    Edit("TablesCaptionEdit")->setText("New");
    form->Ui().MenuFileSave->trigger();
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_EQ(dialogs.Errors[0], "In " + current + " kann nicht geschrieben werden");
    EXPECT_EQ(form->SettingsFile(), current);
    EXPECT_TRUE(form->SettingsChangedFlag());
    EXPECT_EQ(readFile(current), "[Tables]\r\nCaption=Old\r\n");
    End(); // before the mount goes
}

TEST_F(MainFormTest, LoadWhileConnectedStopsAfterThePathField)
{
    std::string a = Path("a.ini"), b = Path("b.ini");
    writeFile(a, "[Settings]\r\nDatabase=/a.fdb\r\nDbUsername=AUSER\r\nSQLRole=RA\r\nHTMLDir=/a/\r\n"
                 "[Tables]\r\nCaption=A caption\r\n");
    writeFile(b, "[Settings]\r\nDatabase=/b.fdb\r\nDbUsername=BUSER\r\nSQLRole=RB\r\nHTMLDir=/b/\r\nSystemData=1\r\n"
                 "[Tables]\r\nCaption=B caption\r\n");
    store.Remember(a);
    Start();
    Edit("TOCBeforeItemEdit")->setText("<li>+");
    login->Connected = true;
    dialogs.AnswerFile(b);
    form->Ui().MenuFileLoad->trigger();
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_EQ(dialogs.Errors[0], "Cannot change while connected");
    EXPECT_EQ(form->Ui().DbPathEdit->text().toStdString(), "/b.fdb");
    EXPECT_EQ(form->LoginParams().Username(), "AUSER");
    EXPECT_EQ(form->LoginParams().SQLRole(), "RA");
    EXPECT_EQ(form->SaveDialog.InitialDir, "/a/");
    EXPECT_FALSE(form->Ui().SystemDataCheckBox->isChecked());
    EXPECT_EQ(Edit("TablesCaptionEdit")->text().toStdString(), "A caption");
    EXPECT_EQ(form->SettingsFile(), a);
    EXPECT_EQ(Caption(), "Varnel -- " + a);
    EXPECT_TRUE(form->SettingsChangedFlag());
}

TEST_F(MainFormTest, LoadWhileConnectedDoesNotEnableSave)
{
    std::string b = Path("b.ini");
    writeFile(b, "[Settings]\r\nDatabase=/b.fdb\r\n");
    Start();
    login->Connected = true;
    dialogs.AnswerFile(b);
    form->Ui().MenuFileLoad->trigger();
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_FALSE(form->Ui().MenuFileSave->isEnabled());
    EXPECT_EQ(form->SettingsFile(), "");
    EXPECT_EQ(Caption(), "Varnel");
    EXPECT_FALSE(form->SettingsChangedFlag());
}

TEST_F(MainFormTest, ShowSystemDataMarksChange)
{
    Start();
    form->Ui().SystemDataCheckBox->click();
    EXPECT_TRUE(form->SettingsChangedFlag());
    EXPECT_TRUE(Settings().Bool(Setting::Settings_SystemData));
}

} // namespace
