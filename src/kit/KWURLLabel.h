#pragma once
// TKWURLLabel: a text label that opens a web or mail link when clicked.
// Blue, underlined, with the hand cursor. A click runs OnClick when it is
// assigned and nothing else; otherwise a non-empty URL is handed to the
// opener (by default QDesktopServices::openUrl, the desktop's default
// handler); an empty URL does nothing. URL is ISO-8859-1 text.
#include <QLabel>

#include <functional>
#include <string>

class TKWURLLabel : public QLabel {
    Q_OBJECT
public:
    using TURLOpener = std::function<void(const std::string& url)>;

    explicit TKWURLLabel(QWidget* parent = nullptr);
    TKWURLLabel(const QString& text, QWidget* parent = nullptr);

    const std::string& URL() const { return FURL; }
    void SetURL(std::string url) { FURL = std::move(url); }

    // The click handler; when assigned it replaces opening the URL.
    std::function<void(TKWURLLabel& sender)> OnClick;

    // Replaces how a URL is opened (tests); null restores the default.
    void SetOpener(TURLOpener opener) { FOpener = std::move(opener); }

    // What a click does.
    void Click();

    // Opens a URL with the desktop's default handler: a text with a scheme
    // ("http:", "mailto:") as it is, "www.example.org" as a web address.
    static void OpenWithDesktop(const std::string& url);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetUp();

    std::string FURL;
    TURLOpener FOpener;
    bool FPressed = false;
};
