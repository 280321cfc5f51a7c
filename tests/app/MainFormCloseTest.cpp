// The question on closing the main window.
#include "MainFormTestBase.h"

#include <filesystem>

using namespace varnel::test;
namespace fs = std::filesystem;

namespace {

struct CloseCase {
    const char* name;
    bool changed;        // a setting was edited
    bool currentFile;    // a settings file is current
    bool asks;           // the question appears
    TMsgResult answer;   // its answer
    int fileDialog;      // 0 none, 1 confirmed, -1 cancelled
    bool closes;
    bool writesCurrent;  // the current file is written
    bool writesChosen;   // the file chosen in the dialog is written
};
void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }

class CloseQuestion : public MainFormTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseQuestion, Answers)
{
    const CloseCase& c = GetParam();
    std::string current = Path("current.ini"), chosen = Path("chosen.ini");
    writeFile(current, "[Tables]\r\nCaption=Old\r\n");
    if (c.currentFile)
        store.Remember(current);
    Start();
    if (c.changed)
        Edit("TablesCaptionEdit")->setText("New");
    if (c.asks)
        dialogs.AnswerMessage(c.answer);
    if (c.fileDialog > 0)
        dialogs.AnswerFile(chosen);
    if (c.fileDialog < 0)
        dialogs.CancelFile();

    EXPECT_EQ(form->close(), c.closes);

    ASSERT_EQ(dialogs.Messages.size(), c.asks ? 1u : 0u);
    if (c.asks) {
        EXPECT_EQ(dialogs.Messages[0].Text, "Settings have been changed. Do you wish to save them?");
        EXPECT_EQ(dialogs.Messages[0].Caption, "Varnel Settings");
        EXPECT_EQ(dialogs.Messages[0].Buttons, TMsgButtons::YesNoCancel);
        EXPECT_EQ(dialogs.Messages[0].Icon, TMsgIcon::Question);
    }
    if (c.fileDialog != 0) {
        ASSERT_EQ(dialogs.FileDialogs.size(), 1u);
        EXPECT_EQ(dialogs.FileDialogs[0].Name, "INISaveDialog");
    }
    EXPECT_EQ(readFile(current).find("Caption=New") != std::string::npos, c.writesCurrent);
    EXPECT_EQ(fs::exists(chosen), c.writesChosen);
    EXPECT_TRUE(dialogs.Errors.empty());
    if (c.writesChosen) {
        EXPECT_EQ(form->SettingsFile(), chosen);
        EXPECT_EQ(Caption(), "Varnel -- " + chosen);
        EXPECT_TRUE(form->Ui().MenuFileSave->isEnabled());
        End();
        EXPECT_EQ(store.Remembered(), std::optional<std::string>(chosen));
    }
}

INSTANTIATE_TEST_SUITE_P(
    MainForm, CloseQuestion,
    ::testing::Values(
        CloseCase{"unchangedNeverAsks", false, true, false, TMsgResult::Cancel, 0, true, false, false},
        CloseCase{"cancelKeepsWindow", true, true, true, TMsgResult::Cancel, 0, false, false, false},
        CloseCase{"noClosesWithoutWriting", true, true, true, TMsgResult::No, 0, true, false, false},
        CloseCase{"yesWritesCurrentFile", true, true, true, TMsgResult::Yes, 0, true, true, false},
        CloseCase{"yesWithoutFileAsksForOne", true, false, true, TMsgResult::Yes, 1, true, false, true},
        CloseCase{"yesWithoutFileCancelledKeepsWindow", true, false, true, TMsgResult::Yes, -1, false, false,
                  false},
        CloseCase{"noWithoutFile", true, false, true, TMsgResult::No, 0, true, false, false}),
    [](const auto& i) { return std::string(i.param.name); });

TEST_F(MainFormTest, QuitGoesThroughTheCloseQuestion)
{
    Start();
    Edit("TOCBeforeItemEdit")->setText("<li class=x>");
    dialogs.AnswerMessage(TMsgResult::Cancel);
    form->Ui().MenuFileQuit->trigger();
    EXPECT_TRUE(form->isVisible());
    dialogs.AnswerMessage(TMsgResult::No);
    form->Ui().MenuFileQuit->trigger();
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainFormTest, FailedSaveOnCloseKeepsWindowOpen)
{
    Start();
    Edit("TablesCaptionEdit")->setText("New");
    dialogs.AnswerMessage(TMsgResult::Yes);
    dialogs.AnswerFile("/dev/full");
    EXPECT_FALSE(form->close());
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_EQ(dialogs.Errors[0], "In /dev/full kann nicht geschrieben werden");
    EXPECT_EQ(form->SettingsFile(), "");
    EXPECT_TRUE(form->SettingsChangedFlag());
    EXPECT_EQ(Caption(), "Varnel");
    EXPECT_FALSE(form->Ui().MenuFileSave->isEnabled());
}

} // namespace
