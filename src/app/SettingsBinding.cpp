#include "app/SettingsBinding.h"

#include "app/Dialogs.h"
#include "app/ListOrdering.h"
#include "app/LoginParams.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <stdexcept>

namespace {

bool IsSortOrder(Setting s, TObjectList& list)
{
    switch (s) {
    case Setting::Settings_TableSortOrder: list = TObjectList::Tables; return true;
    case Setting::Settings_ProcedureSortOrder: list = TObjectList::Procedures; return true;
    case Setting::Settings_ViewSortOrder: list = TObjectList::Views; return true;
    default: return false;
    }
}

bool IsProperty(Setting s)
{
    TObjectList list;
    return s == Setting::Settings_DbUsername || s == Setting::Settings_SQLRole || s == Setting::Settings_HTMLDir ||
           IsSortOrder(s, list);
}

std::string Latin1(const QString& s) { return s.toLatin1().toStdString(); }

// The memo's text with its block and line separators as line feeds (the
// raw text keeps no-break spaces, which the plain text would turn into
// blanks).
QString MemoPlainText(const QPlainTextEdit& memo)
{
    QString t = memo.document()->toRawText();
    for (QChar& c : t) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xfdd0:
        case 0xfdd1:
            c = u'\n';
            break;
        default:
            break;
        }
    }
    return t;
}

QButtonGroup* RadioButtons(QWidget* box) { return box->findChild<QButtonGroup*>(); }

void SetRadioIndex(QButtonGroup* group, int index)
{
    if (QAbstractButton* b = group->button(index)) {
        b->setChecked(true);
        return;
    }
    // Nothing chosen.
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}

} // namespace

std::string DirectoryPart(const std::string& fileName)
{
    std::size_t slash = fileName.rfind('/');
    return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

TSettingsBinding::TSettingsBinding(QWidget& window, TLoginParams& login, TListOrdering& ordering,
                                   TFileDialog& htmlDialog)
    : FLogin(login), FOrdering(ordering), FHtmlDialog(htmlDialog)
{
    for (const SettingInfo& info : SettingsTable()) {
        if (IsProperty(info.Id))
            continue;
        QWidget* w = window.findChild<QWidget*>(QString::fromLatin1(info.Holder));
        if (!w)
            throw std::logic_error(std::string("No control ") + info.Holder + " for " + SettingName(info.Id));
        FControls[std::size_t(info.Id)] = w;
    }
}

std::string TSettingsBinding::Text(Setting s) const
{
    TObjectList list;
    if (s == Setting::Settings_DbUsername)
        return FLogin.Username();
    if (s == Setting::Settings_SQLRole)
        return FLogin.SQLRole();
    if (s == Setting::Settings_HTMLDir)
        return DirectoryPart(FHtmlDialog.FileName);
    if (IsSortOrder(s, list))
        return std::to_string(FOrdering.OrderingItemNo(list));

    QWidget* w = Control(s);
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return Latin1(e->text());
    if (auto* m = qobject_cast<QPlainTextEdit*>(w))
        return MemoText(Latin1(MemoPlainText(*m)));
    if (auto* c = qobject_cast<QCheckBox*>(w))
        return c->isChecked() ? "1" : "0";
    if (QButtonGroup* g = RadioButtons(w))
        return std::to_string(g->checkedId());
    throw std::logic_error("No value for " + SettingName(s));
}

bool TSettingsBinding::Bool(Setting s) const
{
    if (InfoOf(s).Type != SettingType::Boolean)
        throw std::logic_error(SettingName(s) + " is not a Boolean");
    return Text(s) == "1";
}

int TSettingsBinding::Int(Setting s) const
{
    if (InfoOf(s).Type != SettingType::Integer)
        throw std::logic_error(SettingName(s) + " is not an integer");
    int v = 0;
    ParseSettingNumber(Text(s), v);
    return v;
}

void TSettingsBinding::Assign(Setting s, const std::string& held)
{
    TObjectList list;
    if (s == Setting::Settings_DbUsername)
        return FLogin.SetUsername(held);
    if (s == Setting::Settings_SQLRole)
        return FLogin.SetSQLRole(held);
    if (s == Setting::Settings_HTMLDir) {
        FHtmlDialog.InitialDir = held;
        return;
    }
    if (IsSortOrder(s, list)) {
        int v = 0;
        ParseSettingNumber(held, v);
        return FOrdering.SetOrderingItemNo(list, v);
    }

    QWidget* w = Control(s);
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(QString::fromLatin1(held));
        e->setCursorPosition(0); // show the beginning of a long template
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w))
        m->setPlainText(QString::fromLatin1(held));
    else if (auto* c = qobject_cast<QCheckBox*>(w))
        c->setChecked(held == "1");
    else if (QButtonGroup* g = RadioButtons(w)) {
        int v = -1;
        ParseSettingNumber(held, v);
        SetRadioIndex(g, v);
    }
}

void TSettingsBinding::ConnectChanges(QObject* context, const std::function<void()>& changed)
{
    for (const SettingInfo& info : SettingsTable()) {
        QWidget* w = Control(info.Id);
        if (!info.MarksChange || !w || info.Id == Setting::Settings_SystemData)
            continue;
        if (auto* e = qobject_cast<QLineEdit*>(w))
            QObject::connect(e, &QLineEdit::textChanged, context, [changed] { changed(); });
        else if (auto* m = qobject_cast<QPlainTextEdit*>(w))
            QObject::connect(m, &QPlainTextEdit::textChanged, context, [changed] { changed(); });
        else if (auto* c = qobject_cast<QCheckBox*>(w))
            QObject::connect(c, &QCheckBox::toggled, context, [changed] { changed(); });
        else if (QButtonGroup* g = RadioButtons(w))
            QObject::connect(g, &QButtonGroup::idToggled, context, [changed](int, bool checked) {
                if (checked)
                    changed();
            });
    }
}
