// The link label: its look, and what a click does.
#include "kit/KWURLLabel.h"

#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct LabelWithOpener {
    TKWURLLabel label{"www.example.org"};
    std::vector<std::string> opened;
    LabelWithOpener()
    {
        label.SetOpener([this](const std::string& url) { opened.push_back(url); });
        label.resize(120, 20);
        label.show();
    }
    void LeftClick() { QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); }
};

TEST(URLLabel, IsBlueUnderlinedWithTheHandCursor)
{
    TKWURLLabel label("x");
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(label.font().underline());
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(label.URL(), "");
}

TEST(URLLabel, ClickOpensTheURLThroughTheOpener)
{
    LabelWithOpener l;
    l.label.SetURL("mailto:varnel@example.org");
    l.LeftClick();
    EXPECT_EQ(l.opened, std::vector<std::string>{"mailto:varnel@example.org"});
}

TEST(URLLabel, EmptyURLDoesNothing)
{
    LabelWithOpener l;
    l.LeftClick();
    l.label.Click();
    EXPECT_TRUE(l.opened.empty());
}

TEST(URLLabel, ClickHandlerWinsOverTheURL)
{
    LabelWithOpener l;
    l.label.SetURL("http://www.example.org/");
    std::vector<TKWURLLabel*> clicked;
    l.label.OnClick = [&](TKWURLLabel& sender) { clicked.push_back(&sender); };
    l.LeftClick();
    EXPECT_EQ(clicked, std::vector<TKWURLLabel*>{&l.label});
    EXPECT_TRUE(l.opened.empty());
}

TEST(URLLabel, OnlyALeftClickOnTheLabelCounts)
{
    LabelWithOpener l;
    l.label.SetURL("http://www.example.org/");
    QTest::mouseClick(&l.label, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mousePress(&l.label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(&l.label, Qt::LeftButton, Qt::NoModifier, QPoint(500, 5)); // dragged off
    EXPECT_TRUE(l.opened.empty());
    l.LeftClick();
    EXPECT_EQ(l.opened.size(), 1u);
}

} // namespace
