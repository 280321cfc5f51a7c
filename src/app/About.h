#pragma once
// TAboutForm: the About box (262 x 291, "About Varnel"): the program's
// name and title, the fixed version text, the notices, two link labels
// (the maker's web site and a mail link) and the default button "Ok",
// which closes it with the OK result. Created by the main window's "About
// Varnel..." command with the main window as parent, run modally and
// destroyed when it returns; it owns its controls.
#include <QDialog>

class QLabel;
class QPushButton;
class TKWURLLabel;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QLabel* ProductName = nullptr;
    QLabel* ProductTitle = nullptr;
    QLabel* FileVersion = nullptr;
    QLabel* TermsNotice = nullptr;
    QLabel* UpdatesNotice = nullptr;
    QLabel* CopyrightNotice = nullptr;
    TKWURLLabel* KWURLLabel1 = nullptr;
    TKWURLLabel* KWURLLabel2 = nullptr;
    QPushButton* OkButton = nullptr;
};
