// The controls of the main window: pages, menus, bars and the settings
// editors with their kinds, fonts and scroll bars.
#include "MainFormTestBase.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTabWidget>

#include <map>
#include <set>

using namespace varnel::test;

namespace {

std::vector<std::string> TabTitles(const QTabWidget* t)
{
    std::vector<std::string> v;
    for (int i = 0; i < t->count(); ++i)
        v.push_back(t->tabText(i).toStdString());
    return v;
}

std::vector<std::string> MenuTexts(const QMenu* m)
{
    std::vector<std::string> v;
    for (QAction* a : m->actions())
        v.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    return v;
}

TEST_F(MainFormTest, FrameHoldsBarsPagesAndMenus)
{
    Start();
    const TMainFormLayout& ui = form->Ui();
    EXPECT_EQ(form->size(), QSize(693, 614));
    EXPECT_EQ(TabTitles(ui.MainPageControl),
              (std::vector<std::string>{"Tables", "Views", "Procedures", "HTML settings"}));
    EXPECT_EQ(ui.MainPageControl->currentIndex(), 0);
    EXPECT_EQ(TabTitles(ui.HTMLSettingsPageControl),
              (std::vector<std::string>{"Header", "Tables", "Views", "Procedures", "End", "Table of Contents"}));

    auto* label = Find<QLabel>("DbPathLabel");
    EXPECT_EQ(label->text().toStdString(), "Database:");
    EXPECT_EQ(ui.DbPathEdit->width(), 281);
    EXPECT_TRUE(ui.LoginButton->isDefault());
    EXPECT_EQ(ui.SystemDataCheckBox->text().toStdString(), "Show system data");
    EXPECT_EQ(ui.HTMLExportButton->text().toStdString(), "HTML export...");
    EXPECT_EQ(ui.XMLExportButton->text().toStdString(), "XML export...");
    EXPECT_EQ(ui.ScriptExportButton->text().toStdString(), "SQL export...");
    EXPECT_LT(ui.DbPathEdit->mapTo(form.get(), QPoint()).y(), ui.MainPageControl->mapTo(form.get(), QPoint()).y());
    EXPECT_GT(ui.HTMLExportButton->mapTo(form.get(), QPoint()).y(),
              ui.MainPageControl->mapTo(form.get(), QPoint()).y());

    QList<QAction*> menus = form->menuBar()->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text().toStdString(), "File");
    EXPECT_EQ(MenuTexts(menus[0]->menu()), (std::vector<std::string>{"Load settings...", "Save settings",
                                                                      "Save settings as...", "-", "Quit"}));
    EXPECT_EQ(menus[1]->text().toStdString(), "Info");
    EXPECT_EQ(MenuTexts(menus[1]->menu()), (std::vector<std::string>{"About Varnel..."}));
    EXPECT_EQ(ui.MenuFileSaveAs->objectName().toStdString(), "MenuFileSaveAs");
}

// The page of the settings page control that holds a widget.
std::string SettingsPageOf(const TMainFormLayout& ui, const QWidget* w)
{
    for (int i = 0; i < ui.HTMLSettingsPageControl->count(); ++i)
        if (ui.HTMLSettingsPageControl->widget(i)->isAncestorOf(w))
            return ui.HTMLSettingsPageControl->tabText(i).toStdString();
    return "";
}

TEST_F(MainFormTest, EverySettingHasItsControlOnItsPage)
{
    Start();
    const std::map<std::string, std::string> pageOfSection = {
        {"Tables", "Tables"}, {"Views", "Views"}, {"Procedures", "Procedures"}, {"TOC", "Table of Contents"}};
    int controls = 0;
    for (const SettingInfo& i : SettingsTable()) {
        QWidget* w = form->findChild<QWidget*>(QString::fromLatin1(i.Holder));
        if (std::string(i.Section) == "Settings") {
            EXPECT_EQ(SettingsPageOf(form->Ui(), w), "") << i.Holder;
            continue;
        }
        ASSERT_NE(w, nullptr) << i.Holder;
        ++controls;
        std::string page = i.Id == Setting::HTML_Header   ? "Header"
                           : i.Id == Setting::HTML_Footer ? "End"
                                                          : pageOfSection.at(i.Section);
        EXPECT_EQ(SettingsPageOf(form->Ui(), w), page) << i.Holder;
        switch (i.Type) {
        case SettingType::Text: EXPECT_NE(qobject_cast<QLineEdit*>(w), nullptr) << i.Holder; break;
        case SettingType::MultiLine: EXPECT_NE(qobject_cast<QPlainTextEdit*>(w), nullptr) << i.Holder; break;
        case SettingType::Boolean: EXPECT_NE(qobject_cast<QCheckBox*>(w), nullptr) << i.Holder; break;
        case SettingType::Integer: EXPECT_NE(qobject_cast<QGroupBox*>(w), nullptr) << i.Holder; break;
        }
    }
    EXPECT_EQ(controls, 73);
}

TEST_F(MainFormTest, TemplateMemosAreFixedPitchWithScrollBarSourceMemosPlain)
{
    Start();
    const std::set<std::string> sourceMemos = {"ViewSourceStartMemo", "ViewSourceEndMemo", "SourceStartMemo",
                                               "SourceEndMemo"};
    int templates = 0;
    for (const SettingInfo& i : SettingsTable()) {
        if (i.Type != SettingType::MultiLine)
            continue;
        QPlainTextEdit* m = Memo(i.Holder);
        if (sourceMemos.count(i.Holder)) {
            EXPECT_NE(m->font().family().toStdString(), "Courier") << i.Holder;
            EXPECT_EQ(m->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff) << i.Holder;
            EXPECT_EQ(m->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff) << i.Holder;
        } else {
            ++templates;
            EXPECT_EQ(m->font().family().toStdString(), "Courier") << i.Holder;
            EXPECT_TRUE(m->font().fixedPitch()) << i.Holder;
            EXPECT_EQ(m->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn) << i.Holder;
        }
    }
    EXPECT_EQ(templates, 10);
}

TEST_F(MainFormTest, CheckBoxesAndPositionGroup)
{
    Start();
    struct Box {
        const char* name;
        const char* text;
        bool bold;
    };
    for (const Box& b : {Box{"IncludeTablesCheckBox", "Include tables in HTML output", true},
                         Box{"IncludeViewsCheckBox", "Include views in HTML output", true},
                         Box{"IncludeProceduresCheckBox", "Include procedures in HTML output", true},
                         Box{"TOCCheckBox", "Create table of contents", true},
                         Box{"ViewSourceCheckBox", "Include view source", false},
                         Box{"ProcedureSourceCheckBox", "Include procedure source", false}}) {
        QCheckBox* c = Check(b.name);
        EXPECT_EQ(c->text().toStdString(), b.text);
        EXPECT_EQ(c->font().bold(), b.bold) << b.name;
    }
    auto* group = Find<QGroupBox>("TOCPositionRadioGroup");
    EXPECT_EQ(group->title().toStdString(), "Position");
    QButtonGroup* buttons = group->findChild<QButtonGroup*>();
    ASSERT_NE(buttons, nullptr);
    ASSERT_EQ(buttons->buttons().size(), 2);
    EXPECT_EQ(buttons->button(0)->text().toStdString(), "After header");
    EXPECT_EQ(buttons->button(1)->text().toStdString(), "Before end");
    EXPECT_EQ(buttons->checkedId(), 0);
}

TEST_F(MainFormTest, SettingsEditorsHaveTheirCaptions)
{
    Start();
    // The caption of an edit is the label of its form row.
    auto captionOf = [&](const char* name) {
        QLineEdit* e = Edit(name);
        for (QLabel* l : form->findChildren<QLabel*>())
            if (l->buddy() == e)
                return l->text().toStdString();
        return std::string();
    };
    EXPECT_EQ(captionOf("TablesBeforeCaptionEdit"), "Before caption");
    EXPECT_EQ(captionOf("BeforeViewDescEdit"), "Before view description");
    EXPECT_EQ(captionOf("AfterProcNameEdit"), "After proc. name");
    EXPECT_EQ(captionOf("NotNullColumnTextEdit"), "Text");
    EXPECT_EQ(captionOf("TOCItemBlockStartEdit"), "Start of item block");
    EXPECT_EQ(captionOf("DbPathEdit"), "Database:");
}

} // namespace
