#include "ui/dlgCancelQuery.h"

#include "db/IB_Statement.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace varnel::ui {

using varnel::db::TIB_CallbackStatus;
using varnel::db::TIB_Statement;

namespace {

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

} // namespace

TdlgCancelQuery::TdlgCancelQuery(std::function<bool(const std::string&)> confirm, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      FConfirm(std::move(confirm))
{
    setObjectName("dlgCancelQuery");
    setModal(false);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    lbFetchingMessage = new QLabel("Fetching Query Results", frame);
    lbFetchingMessage->setObjectName("lbFetchingMessage");
    lbFetchingMessage->setAlignment(Qt::AlignCenter);
    QFont large = lbFetchingMessage->font();
    large.setPointSizeF(large.pointSizeF() > 0 ? large.pointSizeF() * 1.5 : 14);
    large.setBold(true);
    lbFetchingMessage->setFont(large);
    lbRowNum = new QLabel("Row#", frame);
    lbRowNum->setObjectName("lbRowNum");
    lbRowNum->setAlignment(Qt::AlignCenter);
    auto* inner = new QVBoxLayout(frame);
    inner->addWidget(lbFetchingMessage);
    inner->addWidget(lbRowNum);

    CancelBtn = new QPushButton("Abort", this);
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CancelBtn);
    buttons->addStretch();

    auto* box = new QVBoxLayout(this);
    box->addWidget(frame);
    box->addLayout(buttons);
    box->setSizeConstraint(QLayout::SetFixedSize);

    connect(CancelBtn, &QPushButton::clicked, this, &TdlgCancelQuery::AbortClick);
}

void TdlgCancelQuery::SetRowNum(long rows) { lbRowNum->setText(QStringLiteral("Row# %1").arg(rows)); }

void TdlgCancelQuery::AbortClick()
{
    hide();
    if (FConfirm && FConfirm("Are you sure you want to abort?")) {
        FAbortRequested = true;
        if (OnAbortConfirmed)
            OnAbortConfirmed();
    }
}

void TdlgCancelQuery::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* screen = this->screen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

void TdlgCancelQuery::keyPressEvent(QKeyEvent* event)
{
    // Esc is "Abort", not a silent close.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CancelBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

TFetchProgressDialogs::TFetchProgressDialogs(std::string applicationTitle)
    : FApplicationTitle(std::move(applicationTitle))
{
}

TFetchProgressDialogs::~TFetchProgressDialogs() = default;

void TFetchProgressDialogs::Handle(TIB_Statement& sender, TIB_CallbackStatus status, long rows, bool& abort)
{
    auto it = FDialogs.find(&sender);
    TdlgCancelQuery* dialog = it == FDialogs.end() ? nullptr : it->second.get();
    // An abort confirmed since the last callback reaches the fetch loop now.
    if (dialog && dialog->AbortRequested()) {
        abort = true;
        dialog->ClearAbortRequest();
        if (status == TIB_CallbackStatus::csRefresh)
            return;
    }
    switch (status) {
    case TIB_CallbackStatus::csInit: break;
    case TIB_CallbackStatus::csRefresh: {
        if (!dialog) {
            auto created = std::make_unique<TdlgCancelQuery>([this](const std::string& text) { return AskConfirmation(text); });
            std::string caption = CaptionOf ? CaptionOf(sender) : std::string();
            created->setWindowTitle(Latin1(caption.empty() ? FApplicationTitle : caption));
            created->setWindowState(Qt::WindowNoState);
            TIB_Statement* s = &sender;
            created->OnAbortConfirmed = [this, s] {
                if (OnAbortRequested)
                    OnAbortRequested(*s);
            };
            dialog = created.get();
            FDialogs[&sender] = std::move(created);
        }
        dialog->SetRowNum(rows);
        dialog->show();
        dialog->raise();
        break;
    }
    case TIB_CallbackStatus::csFinal:
        if (dialog) {
            dialog->setWindowState(Qt::WindowNoState);
            dialog->hide();
        }
        break;
    }
}

void TFetchProgressDialogs::Install(varnel::db::TIB_Session& session)
{
    session.OnFetchProgress = [this](TIB_Statement& sender, TIB_CallbackStatus status, long rows, bool& abort) {
        Handle(sender, status, rows, abort);
    };
}

void TFetchProgressDialogs::Uninstall(varnel::db::TIB_Session& session) { session.OnFetchProgress = nullptr; }

TdlgCancelQuery* TFetchProgressDialogs::Dialog(const TIB_Statement& sender) const
{
    auto it = FDialogs.find(&sender);
    return it == FDialogs.end() ? nullptr : it->second.get();
}

void TFetchProgressDialogs::Forget(const TIB_Statement& sender) { FDialogs.erase(&sender); }

bool TFetchProgressDialogs::AskConfirmation(const std::string& text)
{
    if (Confirm)
        return Confirm(text);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), Latin1(text), QMessageBox::Ok | QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

} // namespace varnel::ui
