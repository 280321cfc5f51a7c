#pragma once
// TDialogs on Qt's own modal dialogs (QFileDialog, QMessageBox). Does not
// own the parent window.
#include "app/Dialogs.h"

class QWidget;

class TQtDialogs : public TDialogs {
public:
    explicit TQtDialogs(QWidget* parent = nullptr) : FParent(parent) {}
    void SetParent(QWidget* parent) { FParent = parent; }

    bool Execute(TFileDialog& dialog) override;
    TMsgResult MessageBox(const std::string& text, const std::string& caption, TMsgButtons buttons,
                          TMsgIcon icon) override;
    void ShowError(const std::string& message) override;
    bool Login(varnel::db::TIB_Connection& connection) override;

private:
    QWidget* FParent;
};

// The Qt name filter of a filter entry: the description without its own
// "(...)" part, then the patterns in parentheses ("*.*" matches every file).
class QString;
QString QtNameFilter(const TFileFilter& filter);
