#include "kit/KWURLLabel.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPalette>
#include <QUrl>

TKWURLLabel::TKWURLLabel(QWidget* parent) : QLabel(parent) { SetUp(); }

TKWURLLabel::TKWURLLabel(const QString& text, QWidget* parent) : QLabel(text, parent) { SetUp(); }

void TKWURLLabel::SetUp()
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(p);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    // The label's text is plain text: a URL shown is never turned into a
    // second, rich-text link.
    setTextFormat(Qt::PlainText);
}

void TKWURLLabel::Click()
{
    if (OnClick) {
        OnClick(*this);
        return;
    }
    if (FURL.empty())
        return;
    if (FOpener)
        FOpener(FURL);
    else
        OpenWithDesktop(FURL);
}

void TKWURLLabel::OpenWithDesktop(const std::string& url)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromLatin1(url.data(), static_cast<qsizetype>(url.size()))));
}

void TKWURLLabel::mousePressEvent(QMouseEvent* event)
{
    FPressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TKWURLLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // A click is a press and a release of the left button on the label.
    bool click = FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    FPressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        Click();
}
