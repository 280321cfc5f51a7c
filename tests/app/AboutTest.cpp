// The About box: what it shows, its links, and the "About Varnel..." command
// that runs it modally with the main window as its parent.
#include "MainFormTestBase.h"
#include "app/About.h"
#include "kit/KWURLLabel.h"

#include <QLabel>
#include <QTest>

using namespace varnel::test;

namespace {

int Lines(const QLabel* l) { return static_cast<int>(l->text().split(u'\n').size()); }

TEST(AboutForm, ShowsNameTitleVersionAndNotices)
{
    TAboutForm about;
    EXPECT_EQ(about.windowTitle(), "About Varnel");
    EXPECT_EQ(about.size(), QSize(262, 291));
    EXPECT_EQ(about.minimumSize(), about.maximumSize()) << "fixed size";

    EXPECT_EQ(about.ProductName->text(), "Varnel");
    EXPECT_TRUE(about.ProductName->font().bold());
    EXPECT_EQ(about.ProductName->font().family(), "Arial");
    EXPECT_EQ(about.ProductName->font().pointSize(), 14);
    EXPECT_FALSE(about.ProductTitle->text().isEmpty());
    EXPECT_TRUE(about.ProductTitle->font().bold());
    EXPECT_EQ(about.FileVersion->objectName(), "FileVersion");
    EXPECT_EQ(about.FileVersion->text(), "Version 1.0.11.0");
    EXPECT_EQ(Lines(about.TermsNotice), 2);
    EXPECT_EQ(Lines(about.UpdatesNotice), 2);
    EXPECT_EQ(Lines(about.CopyrightNotice), 3);
    EXPECT_TRUE(about.CopyrightNotice->text().contains("Ostrel"));
    EXPECT_TRUE(about.CopyrightNotice->text().contains(QRegularExpression("\\b\\d{4}\\b"))) << "names the years";
    for (QLabel* l : {about.ProductName, about.ProductTitle, about.FileVersion, about.TermsNotice,
                      about.UpdatesNotice, about.CopyrightNotice})
        EXPECT_TRUE(l->alignment() & Qt::AlignHCenter) << l->objectName().toStdString();
}

TEST(AboutForm, TwoLinksSideBySideOpenTheWebSiteAndAMail)
{
    TAboutForm about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    TKWURLLabel* web = about.KWURLLabel1;
    TKWURLLabel* mail = about.KWURLLabel2;
    EXPECT_EQ(web->objectName(), "KWURLLabel1");
    EXPECT_EQ(mail->objectName(), "KWURLLabel2");
    EXPECT_EQ(web->geometry().top(), mail->geometry().top());
    EXPECT_LT(web->geometry().right(), mail->geometry().left());

    std::vector<std::string> opened;
    for (TKWURLLabel* l : {web, mail}) {
        l->SetOpener([&](const std::string& url) { opened.push_back(url); });
        QTest::mouseClick(l, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    }
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_TRUE(opened[0].starts_with("https://") || opened[0].starts_with("http://")) << opened[0];
    EXPECT_NE(opened[0].find(web->text().toStdString()), std::string::npos) << "opens the address it shows";
    EXPECT_EQ(opened[1], "mailto:" + mail->text().toStdString());
}

TEST(AboutForm, EverythingFitsTheDesignedSize)
{
    TAboutForm about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    for (QWidget* w : about.findChildren<QWidget*>()) {
        EXPECT_TRUE(about.rect().contains(w->geometry())) << w->objectName().toStdString();
        if (auto* l = qobject_cast<QLabel*>(w)) {
            EXPECT_GE(l->height(), l->sizeHint().height()) << "clipped: " << l->objectName().toStdString();
        }
    }
}

TEST(AboutForm, OkIsTheDefaultButtonAndAccepts)
{
    TAboutForm about;
    EXPECT_EQ(about.OkButton->text(), "Ok");
    EXPECT_TRUE(about.OkButton->isDefault());
    about.show();
    QTest::mouseClick(about.OkButton, Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

TEST_F(MainFormTest, AboutCommandRunsTheAboutBoxModallyAndDestroysIt)
{
    Start();
    std::string version;
    dialogs.OnModal = [&](QDialog& d) {
        auto* about = qobject_cast<TAboutForm*>(&d);
        ASSERT_NE(about, nullptr);
        version = about->FileVersion->text().toStdString();
    };
    form->Ui().MenuInfoAbout->trigger();
    ASSERT_EQ(dialogs.Modals.size(), 1u);
    EXPECT_EQ(dialogs.Modals[0].Title, "About Varnel");
    EXPECT_EQ(dialogs.Modals[0].Parent, form.get());
    EXPECT_EQ(version, "Version 1.0.11.0");
    EXPECT_TRUE(form->findChildren<TAboutForm*>().isEmpty()) << "destroyed when it returned";
    EXPECT_TRUE(dialogs.Errors.empty());
    EXPECT_FALSE(form->SettingsChangedFlag());
}

} // namespace
