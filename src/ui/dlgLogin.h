#pragma once
// TdlgLogin: the login dialog the connection shows before it attaches.
// It shows the connection's database string, user name (without the
// connection's user-name prefix), password and role; OK writes them back
// in that order (Database, Username, Password, SQLRole), Cancel changes
// nothing (the connection then marks the login aborted). The dialog does
// not own the connection.
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace varnel::db {
class TIB_Connection;
class TIB_Session;
} // namespace varnel::db

namespace varnel::ui {

class TdlgLogin : public QDialog {
    Q_OBJECT
public:
    explicit TdlgLogin(varnel::db::TIB_Connection& connection, QWidget* parent = nullptr);

    // Shows the dialog modally; true for OK, after the values were
    // written into the connection.
    static bool Execute(varnel::db::TIB_Connection& connection, QWidget* parent = nullptr);
    // Makes Execute the session's login prompt.
    static void Install(varnel::db::TIB_Session& session);

    // What OK does: the fields into the connection.
    void ApplyToConnection();

    QLineEdit* edDatabase = nullptr;
    QLineEdit* edUserName = nullptr;
    QLineEdit* edPassword = nullptr;
    QComboBox* cbSQLRole = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;
    QLabel* lbDatabase = nullptr;
    QLabel* lbUserName = nullptr;
    QLabel* lbPassword = nullptr;
    QLabel* lbSQLRole = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    varnel::db::TIB_Connection& connection_;
};

} // namespace varnel::ui
