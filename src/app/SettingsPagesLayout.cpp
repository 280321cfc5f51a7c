// The "HTML settings" page: six pages of template editors. Only layout; the
// binding to the settings is SettingsBinding.cpp.
#include "app/MainFormLayout.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFont>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace {

using TRow = std::pair<const char*, const char*>; // label, control name

struct TColumnGroup {
    const char* Heading;
    std::initializer_list<TRow> Rows;
};

enum class TMemoKind {
    Template, // fixed-pitch Courier, vertical scroll bar
    Source    // default font, no scroll bar
};

QFont TemplateFont()
{
    QFont f(QStringLiteral("Courier"));
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    return f;
}

QLabel* BoldLabel(const char* text, QWidget* parent)
{
    auto* l = new QLabel(QString::fromLatin1(text), parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

QPlainTextEdit* MakeMemo(const char* name, TMemoKind kind, QWidget* parent)
{
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(QString::fromLatin1(name));
    if (kind == TMemoKind::Template) {
        m->setFont(TemplateFont());
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    } else {
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    return m;
}

// One settings page, its controls stacked from top to bottom inside a
// scroll area, so every page stays usable at the designed window size.
class TPageBuilder {
public:
    TPageBuilder(QTabWidget* pages, const char* title, const char* name)
    {
        auto* scroll = new QScrollArea(pages);
        scroll->setObjectName(QString::fromLatin1(name));
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        FPage = new QWidget(scroll);
        FColumn = new QVBoxLayout(FPage);
        FColumn->setContentsMargins(8, 8, 8, 8);
        scroll->setWidget(FPage);
        pages->addTab(scroll, QString::fromLatin1(title));
    }
    ~TPageBuilder() { FColumn->addStretch(1); }

    QCheckBox* Check(const char* name, const char* text, bool bold)
    {
        auto* c = new QCheckBox(QString::fromLatin1(text), FPage);
        c->setObjectName(QString::fromLatin1(name));
        if (bold) {
            QFont f = c->font();
            f.setBold(true);
            c->setFont(f);
        }
        FColumn->addWidget(c);
        return c;
    }

    void Edits(std::initializer_list<TRow> rows)
    {
        auto* form = new QFormLayout;
        form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        for (const TRow& r : rows) {
            auto* e = new QLineEdit(FPage);
            e->setObjectName(QString::fromLatin1(r.second));
            form->addRow(QString::fromLatin1(r.first), e);
        }
        FColumn->addLayout(form);
    }

    void Memo(const char* label, const char* name, TMemoKind kind, int height)
    {
        FColumn->addWidget(new QLabel(QString::fromLatin1(label), FPage));
        QPlainTextEdit* m = MakeMemo(name, kind, FPage);
        m->setFixedHeight(height);
        FColumn->addWidget(m);
    }

    void Columns(std::initializer_list<TColumnGroup> groups)
    {
        auto* row = new QHBoxLayout;
        for (const TColumnGroup& g : groups) {
            auto* box = new QVBoxLayout;
            box->addWidget(BoldLabel(g.Heading, FPage));
            auto* form = new QFormLayout;
            for (const TRow& r : g.Rows) {
                auto* e = new QLineEdit(FPage);
                e->setObjectName(QString::fromLatin1(r.second));
                form->addRow(QString::fromLatin1(r.first), e);
            }
            box->addLayout(form);
            box->addStretch(1);
            row->addLayout(box, 1);
        }
        FColumn->addLayout(row);
    }

    void RadioGroup(const char* name, const char* title, std::initializer_list<const char*> items)
    {
        auto* box = new QGroupBox(QString::fromLatin1(title), FPage);
        box->setObjectName(QString::fromLatin1(name));
        auto* column = new QVBoxLayout(box);
        auto* group = new QButtonGroup(box);
        group->setObjectName(QString::fromLatin1(name) + QStringLiteral("Buttons"));
        int id = 0;
        for (const char* item : items) {
            auto* b = new QRadioButton(QString::fromLatin1(item), box);
            group->addButton(b, id++);
            column->addWidget(b);
        }
        FColumn->addWidget(box);
    }

private:
    QWidget* FPage;
    QVBoxLayout* FColumn;
};

// A page that one template memo fills.
void MemoPage(QTabWidget* pages, const char* title, const char* pageName, const char* memoName)
{
    auto* page = new QWidget(pages);
    page->setObjectName(QString::fromLatin1(pageName));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(MakeMemo(memoName, TMemoKind::Template, page));
    pages->addTab(page, QString::fromLatin1(title));
}

} // namespace

QTabWidget* BuildHTMLSettingsPages(QWidget* parent)
{
    auto* pages = new QTabWidget(parent);
    pages->setObjectName("HTMLSettingsPageControl");

    MemoPage(pages, "Header", "HeaderPage", "HeaderMemo");

    {
        TPageBuilder p(pages, "Tables", "TablesSettingsPage");
        p.Check("IncludeTablesCheckBox", "Include tables in HTML output", true);
        p.Edits({{"Before caption", "TablesBeforeCaptionEdit"},
                 {"Caption", "TablesCaptionEdit"},
                 {"After caption", "TablesAfterCaptionEdit"},
                 {"Before table name", "BeforeTableNameEdit"},
                 {"After table name", "AfterTableNameEdit"},
                 {"Before table description", "BeforeTableDescEdit"},
                 {"After table description", "AfterTableDescEdit"}});
        p.Memo("Field table start (4 columns)", "FieldTableStartMemo", TMemoKind::Template, 96);
        p.Columns({{"Field column", {{"Start", "FieldColumnStartEdit"}, {"End", "FieldColumnEndEdit"}}},
                   {"Type column", {{"Start", "TypeColumnStartEdit"}, {"End", "TypeColumnEndEdit"}}},
                   {"NOT NULL column",
                    {{"Start", "NotNullColumnStartEdit"},
                     {"Text", "NotNullColumnTextEdit"},
                     {"End", "NotNullColumnEndEdit"}}},
                   {"Description column",
                    {{"Start", "DescriptionColumnStartEdit"}, {"End", "DescriptionColumnEndEdit"}}}});
        p.Memo("Field table end", "FieldTableEndMemo", TMemoKind::Template, 48);
    }

    {
        TPageBuilder p(pages, "Views", "ViewsSettingsPage");
        p.Check("IncludeViewsCheckBox", "Include views in HTML output", true);
        p.Edits({{"Before caption", "ViewsBeforeCaptionEdit"},
                 {"Caption", "ViewsCaptionEdit"},
                 {"After caption", "ViewsAfterCaptionEdit"},
                 {"Before view name", "BeforeViewNameEdit"},
                 {"After view name", "AfterViewNameEdit"},
                 {"Before view description", "BeforeViewDescEdit"},
                 {"After view description", "AfterViewDescEdit"}});
        p.Memo("Field table start (4 columns)", "ViewFieldTableStartMemo", TMemoKind::Template, 96);
        p.Columns({{"Field column", {{"Start", "ViewFieldColumnStartEdit"}, {"End", "ViewFieldColumnEndEdit"}}},
                   {"Base table column",
                    {{"Start", "ViewBaseTableColumnStartEdit"}, {"End", "ViewBaseTableColumnEndEdit"}}},
                   {"Base field column",
                    {{"Start", "ViewBaseFieldColumnStartEdit"}, {"End", "ViewBaseFieldColumnEndEdit"}}},
                   {"Description column",
                    {{"Start", "ViewDescriptionColumnStartEdit"}, {"End", "ViewDescriptionColumnEndEdit"}}}});
        p.Memo("Field table end", "ViewFieldTableEndMemo", TMemoKind::Template, 48);
        p.Check("ViewSourceCheckBox", "Include view source", false);
        p.Memo("Before source", "ViewSourceStartMemo", TMemoKind::Source, 44);
        p.Memo("After source", "ViewSourceEndMemo", TMemoKind::Source, 44);
    }

    {
        TPageBuilder p(pages, "Procedures", "ProceduresSettingsPage");
        p.Check("IncludeProceduresCheckBox", "Include procedures in HTML output", true);
        p.Edits({{"Before caption", "ProceduresBeforeCaptionEdit"},
                 {"Caption", "ProceduresCaptionEdit"},
                 {"After caption", "ProceduresAfterCaptionEdit"},
                 {"Before proc. name", "BeforeProcNameEdit"},
                 {"After proc. name", "AfterProcNameEdit"},
                 {"Before proc. description", "BeforeProcDescEdit"},
                 {"After proc. description", "AfterProcDescEdit"}});
        p.Memo("Parameter table start (4 columns)", "ParamTableStartMemo", TMemoKind::Template, 96);
        p.Columns({{"Parameter column", {{"Start", "ParamColumnStartEdit"}, {"End", "ParamColumnEndEdit"}}},
                   {"Type column", {{"Start", "ParamTypeColumnStartEdit"}, {"End", "ParamTypeColumnEndEdit"}}},
                   {"In/Out column", {{"Start", "InOutColumnStartEdit"}, {"End", "InOutColumnEndEdit"}}},
                   {"Description column", {{"Start", "ParamDescStartEdit"}, {"End", "ParamDescEndEdit"}}}});
        p.Memo("Field table end", "ParamTableEndMemo", TMemoKind::Template, 48);
        p.Check("ProcedureSourceCheckBox", "Include procedure source", false);
        p.Memo("Before source", "SourceStartMemo", TMemoKind::Source, 44);
        p.Memo("After source", "SourceEndMemo", TMemoKind::Source, 44);
    }

    MemoPage(pages, "End", "EndPage", "EndTagMemo");

    {
        TPageBuilder p(pages, "Table of Contents", "TOCSettingsPage");
        p.Check("TOCCheckBox", "Create table of contents", true);
        p.RadioGroup("TOCPositionRadioGroup", "Position", {"After header", "Before end"});
        p.Memo("Before table of contents", "TOCBeginMemo", TMemoKind::Template, 64);
        p.Edits({{"Before caption", "TOCBeforeCaptionEdit"},
                 {"After caption", "TOCAfterCaptionEdit"},
                 {"Start of item block", "TOCItemBlockStartEdit"},
                 {"Before item", "TOCBeforeItemEdit"},
                 {"After item", "TOCAfterItemEdit"},
                 {"End of item block", "TOCItemBlockEndEdit"}});
        p.Memo("After table of contents", "TOCEndMemo", TMemoKind::Template, 48);
    }

    return pages;
}
