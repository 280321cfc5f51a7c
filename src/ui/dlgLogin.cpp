#include "ui/dlgLogin.h"

#include "db/IB_Connection.h"
#include "db/IB_Session.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShowEvent>
#include <QValidator>
#include <QVBoxLayout>

namespace varnel::ui {

namespace {

// Upper-cases every character typed into the user-name field.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

std::string Latin1(const QString& s)
{
    QByteArray b = s.toLatin1();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

bool IsBuiltInUser(const QString& user)
{
    QString u = user.trimmed().toUpper();
    return u == "SYSDBA" || u == "PUBLIC";
}

} // namespace

TdlgLogin::TdlgLogin(varnel::db::TIB_Connection& connection, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint), connection_(connection)
{
    setObjectName("dlgLogin");
    setModal(true);
    QString caption = QGuiApplication::applicationDisplayName().trimmed() + " Login Dialog";
    if (!connection.LoginCaption().empty())
        caption = Latin1(connection.LoginCaption());
    setWindowTitle(caption);

    lbDatabase = new QLabel("Database", this);
    lbUserName = new QLabel("User", this);
    lbPassword = new QLabel("Password", this);
    lbSQLRole = new QLabel("SQL Role", this);
    edDatabase = new QLineEdit(this);
    edDatabase->setObjectName("edDatabase");
    edUserName = new QLineEdit(this);
    edUserName->setObjectName("edUserName");
    edUserName->setValidator(new UpperCaseValidator(edUserName));
    edPassword = new QLineEdit(this);
    edPassword->setObjectName("edPassword");
    edPassword->setEchoMode(QLineEdit::Password);
    edPassword->setStyleSheet("lineedit-password-character: 42");
    cbSQLRole = new QComboBox(this);
    cbSQLRole->setObjectName("cbSQLRole");
    cbSQLRole->setEditable(true);
    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    HelpBtn = new QPushButton("&Help", this);
    HelpBtn->setObjectName("HelpBtn");
    lbDatabase->setBuddy(edDatabase);
    lbUserName->setBuddy(edUserName);
    lbPassword->setBuddy(edPassword);
    lbSQLRole->setBuddy(cbSQLRole);

    auto* grid = new QGridLayout;
    grid->addWidget(lbDatabase, 0, 0);
    grid->addWidget(edDatabase, 0, 1);
    grid->addWidget(lbUserName, 1, 0);
    grid->addWidget(edUserName, 1, 1);
    grid->addWidget(lbPassword, 2, 0);
    grid->addWidget(edPassword, 2, 1);
    grid->addWidget(lbSQLRole, 3, 0);
    grid->addWidget(cbSQLRole, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    auto* box = new QVBoxLayout(this);
    box->addLayout(grid);
    box->addLayout(buttons);
    box->setSizeConstraint(QLayout::SetFixedSize);

    // The password comes first in the tab order.
    setTabOrder(edPassword, cbSQLRole);
    setTabOrder(cbSQLRole, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, HelpBtn);
    setTabOrder(HelpBtn, edDatabase);
    setTabOrder(edDatabase, edUserName);
    setTabOrder(edUserName, edPassword);

    edDatabase->setText(Latin1(connection.Database()));
    if (connection.LoginDBReadOnly()) {
        edDatabase->setReadOnly(true);
        QPalette p = edDatabase->palette();
        p.setColor(QPalette::Base, p.color(QPalette::Window));
        edDatabase->setPalette(p);
    }
    QString user = Latin1(connection.Username());
    QString userPrefix = Latin1(connection.LoginUsernamePrefix());
    if (!userPrefix.isEmpty() && !IsBuiltInUser(user) && user.startsWith(userPrefix, Qt::CaseInsensitive))
        user = user.mid(userPrefix.size());
    edUserName->setText(user);
    edPassword->setText(Latin1(connection.Password()));
    for (const QString& role : Latin1(connection.LoginSQLRoleList()).split(QRegularExpression("[\\r\\n,;]+"), Qt::SkipEmptyParts))
        cbSQLRole->addItem(role.trimmed());
    QString role = Latin1(connection.SQLRole());
    QString rolePrefix = Latin1(connection.LoginSQLRolePrefix());
    if (!rolePrefix.isEmpty() && role.startsWith(rolePrefix, Qt::CaseInsensitive))
        role = role.mid(rolePrefix.size());
    cbSQLRole->setEditText(role);
    HelpBtn->setVisible(connection.LoginHelpContext() != 0);
    edPassword->setFocus();

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TdlgLogin::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* screen = this->screen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    if (edUserName->text().isEmpty())
        edUserName->setFocus();
    else
        edPassword->setFocus();
}

void TdlgLogin::ApplyToConnection()
{
    connection_.SetDatabase(Latin1(edDatabase->text()));
    QString user = edUserName->text().trimmed();
    QString userPrefix = Latin1(connection_.LoginUsernamePrefix());
    if (!user.isEmpty() && !IsBuiltInUser(user))
        user = userPrefix + user;
    connection_.SetUsername(Latin1(user));
    connection_.SetPassword(Latin1(edPassword->text()));
    QString role = cbSQLRole->currentText().trimmed();
    if (!role.isEmpty())
        role = Latin1(connection_.LoginSQLRolePrefix()) + role;
    connection_.SetSQLRole(Latin1(role));
}

bool TdlgLogin::Execute(varnel::db::TIB_Connection& connection, QWidget* parent)
{
    TdlgLogin dialog(connection, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.ApplyToConnection();
    return true;
}

void TdlgLogin::Install(varnel::db::TIB_Session& session)
{
    session.OnLoginPrompt = [](varnel::db::TIB_Connection& c) { return TdlgLogin::Execute(c); };
}

} // namespace varnel::ui
