#include "ui/IB_Memo.h"

#include "dataset/IB_Dataset.h"
#include "ui/IB_Controls.h"

#include <QFocusEvent>
#include <QTextDocument>

#include <exception>

namespace varnel::ui {

using namespace varnel::db;

namespace {

const char* const kLoadFailed = "Could not load memo";

// The memo lines of a column text.
QString MemoLines(const std::string& text)
{
    const TIB_StringList lines = SplitLines(text);
    QString r;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            r += QLatin1Char('\n');
        r += Latin1(lines[i]);
    }
    return r;
}

} // namespace

TIB_Memo::TIB_Memo(QWidget* parent)
    : QPlainTextEdit(parent), link_(std::make_unique<TIB_FieldDataLink>()),
      autoLabel_(std::make_unique<TIB_AutoLabel>(*this))
{
    setTabChangesFocus(true);
    link_->OnDataChange = [this](TIB_DataLink&, TIB_Column*) {
        if (writing_ == 0)
            LoadFromField();
    };
    link_->OnStateChanged = [this](TIB_DataLink&) { UpdateReadOnly(); };
    link_->OnLayoutChanged = [this](TIB_DataLink&) { UpdateReadOnly(); };
    link_->OnUpdateData = [this](TIB_DataLink&) { WriteToField(); };
    connect(this, &QPlainTextEdit::textChanged, this, [this] { UserChanged(); });
    UpdateReadOnly();
}

TIB_Memo::~TIB_Memo()
{
    autoLabel_.reset();
    // Detach quietly: a memo that goes loads nothing.
    link_->OnDataChange = nullptr;
    link_->OnStateChanged = nullptr;
    link_->OnLayoutChanged = nullptr;
    link_->OnUpdateData = nullptr;
    link_->SetDataSource(nullptr);
}

QString TIB_Memo::MemoText() const
{
    // The raw text: toPlainText would turn no-break spaces into blanks.
    QString t = document()->toRawText();
    t.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    t.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return t;
}

std::string TIB_Memo::FieldText() const
{
    const QString t = MemoText();
    if (t.isEmpty())
        return {};
    QStringList lines = t.split(QLatin1Char('\n'));
    // An empty last line (the text ends with a line break) is no line.
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();
    std::string r;
    for (const QString& line : lines)
        r += Latin1(line) + "\r\n";
    return r;
}

void TIB_Memo::ShowText(const QString& text)
{
    ++loading_;
    setPlainText(text);
    document()->setModified(false);
    --loading_;
}

void TIB_Memo::LoadFromField()
{
    QString text;
    std::exception_ptr failure;
    TIB_Column* f = link_->Field();
    TIB_Dataset* ds = Dataset();
    if (f && ds && ds->Prepared()) {
        try {
            if (!f->IsNull())
                text = MemoLines(f->AsString());
        } catch (...) {
            text = QString::fromLatin1(kLoadFailed);
            failure = std::current_exception();
        }
    }
    ShowText(text);
    columnText_ = text;
    UpdateReadOnly();
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            ReportError(ds, e);
        } catch (...) {
        }
    }
}

void TIB_Memo::UpdateReadOnly()
{
    bool readOnly = true;
    TIB_Dataset* ds = Dataset();
    if (ds && link_->Field() && ds->Active()) {
        const bool hasRow = ds->NeedToPost() || (!ds->Bof() && !ds->Eof());
        readOnly = !hasRow || link_->FieldIsReadOnly();
    }
    if (readOnly != isReadOnly())
        setReadOnly(readOnly);
}

void TIB_Memo::UserChanged()
{
    if (loading_ > 0 || link_->Modified())
        return;
    bool ok = false;
    try {
        ok = link_->Modify();
    } catch (const std::exception& e) {
        ReportError(*link_, e);
    }
    if (!ok)
        ShowText(columnText_); // the dataset refused the edit: the change is undone
}

void TIB_Memo::WriteToField()
{
    TIB_Column* f = link_->Field();
    if (!f)
        return;
    const QString now = MemoText();
    if (now == columnText_)
        return;
    const std::string text = FieldText();
    ++writing_;
    try {
        if (text.empty())
            f->SetIsNull(true);
        else
            f->SetAsString(text);
    } catch (...) {
        --writing_;
        throw;
    }
    --writing_;
    columnText_ = now;
}

void TIB_Memo::DoExit()
{
    if (!Guarded(*link_, [&] { link_->UpdateRecord(); }))
        return;
    if (OnExit)
        Guarded(*link_, [&] { OnExit(*this); });
}

void TIB_Memo::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    // A popup (the context menu) or another window taking the focus does
    // not leave the memo.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    DoExit();
}

} // namespace varnel::ui
