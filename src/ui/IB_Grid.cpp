#include "ui/IB_Grid.h"

#include "dataset/IB_BDataset.h"
#include "dataset/IB_DataSource.h"
#include "dataset/IB_StringList.h"
#include "ui/IB_Controls.h"

#include <QHeaderView>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace varnel::ui {

using namespace varnel::db;

namespace {

// The name a configuration list matches a column by: RELATION.COLUMN, or
// the column name alone when the relation is unknown.
std::string ListName(const TIB_Column& c) { return c.RelName().empty() ? c.FieldName() : c.RelName() + "." + c.FieldName(); }

TIB_StringList ListNames(const TIB_Row& row)
{
    TIB_StringList names;
    names.reserve(static_cast<size_t>(row.ColumnCount()));
    for (int i = 0; i < row.ColumnCount(); ++i)
        names.push_back(ListName(row.Columns(i)));
    return names;
}

int ParseWidth(const std::optional<std::string>& text)
{
    if (!text)
        return 0;
    const std::string t = Trim(*text);
    if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos || t.size() > 6)
        return 0;
    return std::atoi(t.c_str());
}

bool IsNumber(const TIB_Column& c)
{
    switch (c.DataType()) {
    case SQLTYPE_SHORT:
    case SQLTYPE_LONG:
    case SQLTYPE_INT64:
    case SQLTYPE_FLOAT:
    case SQLTYPE_DOUBLE:
    case SQLTYPE_QUAD: return true;
    default: return false;
    }
}

// "CENTER", "RIGHT", "LEFT" (and the Delphi spellings taCenter,
// taRightJustify, taLeftJustify); nullopt for anything else.
std::optional<Qt::Alignment> AlignmentOf(const std::string& text)
{
    const std::string t = UpperCase(Trim(text));
    if (t == "CENTER" || t == "CENTRE" || t == "TACENTER")
        return Qt::AlignHCenter;
    if (t == "RIGHT" || t == "TARIGHTJUSTIFY")
        return Qt::AlignRight;
    if (t == "LEFT" || t == "TALEFTJUSTIFY")
        return Qt::AlignLeft;
    return std::nullopt;
}

} // namespace

TIB_Grid::TIB_Grid(QWidget* parent) : QTableView(parent), link_(std::make_unique<TIB_DataLink>())
{
    model_ = new TIB_GridModel(this);
    model_->SetLink(link_.get());
    setModel(model_);

    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView* h = horizontalHeader();
    h->setSectionsClickable(true);
    h->setSectionsMovable(false);
    h->setHighlightSections(false);
    h->setStretchLastSection(false);
    h->setMinimumSectionSize(4);
    h->setSectionResizeMode(QHeaderView::Interactive);
    h->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(h, &QHeaderView::sectionResized, this,
            [this](int logical, int oldSize, int newSize) { SectionResized(logical, oldSize, newSize); });
    connect(h, &QHeaderView::sectionClicked, this, [this](int logical) { TitleClick(logical); });

    QHeaderView* v = verticalHeader();
    v->setMinimumSectionSize(1);
    v->setSectionResizeMode(QHeaderView::Fixed);
    v->setDefaultSectionSize(rowHeight_);
    v->setFixedWidth(11);
    v->setSectionsClickable(false);
    v->setDefaultAlignment(Qt::AlignCenter);

    link_->OnLayoutChanged = [this](TIB_DataLink&) { RebuildColumns(); };
    link_->OnStateChanged = [this](TIB_DataLink&) {
        // The edited row is read from Fields while an edit is pending.
        if (TIB_Dataset* ds = Dataset())
            model_->RowChanged(ds->RowNum());
    };
    link_->OnDataChange = [this](TIB_DataLink&, TIB_Column* column) {
        if (column) {
            if (TIB_Dataset* ds = Dataset())
                model_->RowChanged(ds->RowNum());
            return;
        }
        model_->SyncRows();
        SyncSelection();
        viewport()->update();
    };
    link_->OnBufferChanged = [this](TIB_DataLink&, int rowNum) {
        if (rowNum == 0) {
            model_->ResetRows();
            shownRowNum_ = 0;
            SyncSelection();
        } else {
            model_->RowChanged(rowNum);
        }
    };
    link_->OnOrderingChanged = [this](TIB_DataLink&) { UpdateOrderingIndicator(); };
    UpdatePageRows();
}

TIB_Grid::~TIB_Grid()
{
    // Detach quietly: nothing is laid out again for a grid that goes.
    link_->OnLayoutChanged = nullptr;
    link_->OnStateChanged = nullptr;
    link_->OnDataChange = nullptr;
    link_->OnBufferChanged = nullptr;
    link_->OnOrderingChanged = nullptr;
    model_->SetLink(nullptr);
    link_->SetDataSource(nullptr);
}

TIB_DataSource* TIB_Grid::DataSource() const { return link_->DataSource(); }

void TIB_Grid::SetDataSource(TIB_DataSource* ds) { link_->SetDataSource(ds); }

TIB_Dataset* TIB_Grid::Dataset() const { return link_->Dataset(); }

void TIB_Grid::SetGridLinks(const TIB_StringList& links)
{
    if (links == gridLinks_)
        return;
    gridLinks_ = links;
    RebuildColumns();
}

void TIB_Grid::SetStretchColumn(const std::string& name)
{
    if (name == stretchColumn_)
        return;
    stretchColumn_ = name;
    ResolveStretchColumn();
    ApplyWidths();
}

void TIB_Grid::SetListBoxStyle(bool v)
{
    if (v == listBoxStyle_)
        return;
    listBoxStyle_ = v;
    ApplyWidths();
}

void TIB_Grid::SetRowSelect(bool v)
{
    rowSelect_ = v;
    setSelectionBehavior(v ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    shownRowNum_ = 0;
    SyncSelection();
}

void TIB_Grid::SetIndicateRow(bool v)
{
    indicateRow_ = v;
    verticalHeader()->setVisible(v);
}

void TIB_Grid::SetIndicateTitles(bool v)
{
    indicateTitles_ = v;
    UpdateOrderingIndicator();
}

void TIB_Grid::SetIndicateOrdering(bool v)
{
    indicateOrdering_ = v;
    UpdateOrderingIndicator();
}

void TIB_Grid::SetDefaultRowHeight(int pixels)
{
    rowHeight_ = std::max(1, pixels);
    verticalHeader()->setDefaultSectionSize(rowHeight_);
    UpdatePageRows();
}

int TIB_Grid::GridColumnCount() const { return static_cast<int>(model_->Columns().size()); }

TIB_Column* TIB_Grid::GridField(int col) const { return model_->FieldOf(col); }

bool TIB_Grid::DatasetBusy() const
{
    const TIB_Dataset* ds = Dataset();
    return ds && ds->Session().BusyLevel() > 0;
}

// --- columns --------------------------------------------------------------------------

TIB_GridColumn TIB_Grid::MakeColumn(TIB_Dataset& ds, int fieldIndex, int line, const std::string& params)
{
    const TIB_Column& c = ds.Fields().Columns(fieldIndex);
    TIB_GridColumn g;
    g.FieldIndex = fieldIndex;
    g.GridLinkLine = line;
    g.Title = ds.DisplayLabel(c);
    if (g.Title == "/-")
        g.Title = "-";
    g.BlobName = ds.DisplayName(c);
    g.DisplayWidth = ds.DisplayWidth(c);
    const int width = ParseWidth(LinkParam(params, "WIDTH"));
    g.Width = width > 0 ? width : g.DisplayWidth;
    std::optional<Qt::Alignment> a;
    if (auto p = LinkParam(params, "ALIGN"))
        a = AlignmentOf(*p);
    if (!a)
        a = AlignmentOf(ds.Alignment(c));
    g.Alignment = a ? *a : (IsNumber(c) ? Qt::AlignRight : Qt::AlignLeft);
    return g;
}

void TIB_Grid::RebuildColumns()
{
    std::vector<TIB_GridColumn> cols;
    TIB_Dataset* ds = Dataset();
    if (ds && ds->Prepared()) {
        const TIB_Row& f = ds->Fields();
        if (gridLinks_.empty()) {
            for (int i = 0; i < f.ColumnCount(); ++i)
                if (ds->IsVisible(f.Columns(i)))
                    cols.push_back(MakeColumn(*ds, i, -1, {}));
        } else {
            const TIB_StringList names = ListNames(f);
            for (size_t line = 0; line < gridLinks_.size(); ++line) {
                const IB_NameValue nv = SplitNameValue(gridLinks_[line]);
                const std::string name = Trim(nv.name);
                if (name.empty())
                    continue;
                if (auto i = ::IndexOfName(names, name))
                    cols.push_back(MakeColumn(*ds, static_cast<int>(*i), static_cast<int>(line), nv.value));
            }
        }
    }
    model_->SetColumns(std::move(cols));
    shownRowNum_ = 0;
    ResolveStretchColumn();
    ApplyWidths();
    UpdateOrderingIndicator();
    SyncSelection();
}

void TIB_Grid::ResolveStretchColumn()
{
    stretchIndex_ = -1;
    const int n = GridColumnCount();
    if (n == 0)
        return;
    if (stretchColumn_.empty()) {
        stretchIndex_ = n - 1;
        return;
    }
    TIB_Dataset* ds = Dataset();
    if (!ds || !ds->Prepared())
        return;
    auto i = ::IndexOfName(ListNames(ds->Fields()), Trim(stretchColumn_));
    if (!i)
        return;
    for (int col = 0; col < n; ++col)
        if (model_->Columns()[static_cast<size_t>(col)].FieldIndex == static_cast<int>(*i)) {
            stretchIndex_ = col;
            return;
        }
}

// --- widths -----------------------------------------------------------------------------

void TIB_Grid::LayoutColumns() { ApplyWidths(); }

void TIB_Grid::ApplyWidths()
{
    ++applyingWidths_;
    const auto& cols = model_->Columns();
    for (int i = 0; i < static_cast<int>(cols.size()); ++i)
        horizontalHeader()->resizeSection(i, cols[static_cast<size_t>(i)].Width);
    --applyingWidths_;
    Stretch();
}

void TIB_Grid::Stretch()
{
    const int n = GridColumnCount();
    if (!listBoxStyle_ || stretchIndex_ < 0 || stretchIndex_ >= n)
        return;
    QHeaderView* h = horizontalHeader();
    int others = 0;
    for (int i = 0; i < n; ++i)
        if (i != stretchIndex_)
            others += h->sectionSize(i);
    const int client = viewport()->width();
    if (n > 1 && others >= client)
        return;
    // Section sizes include their grid line, so nothing else is subtracted.
    const int floor = model_->Columns()[static_cast<size_t>(stretchIndex_)].DisplayWidth * 2 / 3;
    const int width = std::max(client - others, floor);
    if (h->sectionSize(stretchIndex_) == width)
        return;
    ++applyingWidths_;
    h->resizeSection(stretchIndex_, width);
    --applyingWidths_;
}

void TIB_Grid::SectionResized(int logical, int, int newSize)
{
    if (applyingWidths_ > 0)
        return;
    TIB_GridColumn* g = model_->Column(logical);
    TIB_Dataset* ds = Dataset();
    if (!g)
        return;
    if (!(listBoxStyle_ && logical == stretchIndex_)) {
        // The user dragged a border: the width is kept where it came from.
        g->Width = newSize;
        if (g->GridLinkLine >= 0 && g->GridLinkLine < static_cast<int>(gridLinks_.size())) {
            std::string& line = gridLinks_[static_cast<size_t>(g->GridLinkLine)];
            const IB_NameValue nv = SplitNameValue(line);
            line = nv.name + "=" + SetLinkParam(nv.value, "WIDTH", std::to_string(newSize));
        } else if (TIB_Column* c = GridField(logical); c && ds) {
            ds->SetDisplayWidth(*c, newSize);
            g->DisplayWidth = newSize;
        }
    }
    Stretch();
}

void TIB_Grid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    UpdatePageRows();
    Stretch();
    QueueFillPage();
}

void TIB_Grid::showEvent(QShowEvent* event)
{
    QTableView::showEvent(event);
    // A grid whose dataset opened while it was hidden (a page not shown)
    // knows only the rows it had room for then; the view itself asks for
    // more only when its rows or its scroll position change.
    QueueFillPage();
}

void TIB_Grid::QueueFillPage()
{
    QTimer::singleShot(0, this, [this] { FillPage(); });
}

void TIB_Grid::FillPage()
{
    QAbstractItemModel* m = model();
    if (!m || !isVisible() || !m->canFetchMore(QModelIndex()))
        return;
    const int rows = m->rowCount();
    if (rows == 0 || rowViewportPosition(rows - 1) + rowHeight(rows - 1) <= viewport()->height())
        m->fetchMore(QModelIndex());
}

bool TIB_Grid::viewportEvent(QEvent* event)
{
    const bool r = QTableView::viewportEvent(event);
    // The viewport also changes size when a scroll bar comes or goes.
    if (event->type() == QEvent::Resize) {
        UpdatePageRows();
        Stretch();
    }
    return r;
}

void TIB_Grid::UpdatePageRows()
{
    // Enough rows to fill the viewport and push the last one out of sight,
    // so a view asks for one page when it opens.
    model_->SetPageRows(std::max(0, viewport()->height()) / std::max(1, rowHeight_) + 2);
}

// --- rows and the current row -------------------------------------------------------------

void TIB_Grid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (syncing_ > 0 || !current.isValid())
        return;
    TIB_Dataset* ds = Dataset();
    if (!ds || !ds->Active())
        return;
    const int want = current.row() + 1;
    if (want == ds->RowNum())
        return;
    if (DatasetBusy()) {
        // A fetch in progress let this event through: the row stays.
        QueueSyncSelection();
        return;
    }
    Guarded(*link_, [&] { ds->MoveBy(want - ds->RowNum()); });
    if (Dataset() != ds || ds->RowNum() != want)
        QueueSyncSelection();
}

void TIB_Grid::QueueSyncSelection()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            shownRowNum_ = -1;
            SyncSelection();
        },
        Qt::QueuedConnection);
}

void TIB_Grid::SyncSelection()
{
    TIB_Dataset* ds = Dataset();
    const int row = ds && ds->Active() ? ds->RowNum() : 0;
    QItemSelectionModel* sm = selectionModel();
    ++syncing_;
    if (row >= 1 && row <= model_->ShownRows() && GridColumnCount() > 0) {
        const int col = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex idx = model_->index(row - 1, std::min(col, GridColumnCount() - 1));
        QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
        if (rowSelect_)
            flags |= QItemSelectionModel::Rows;
        const bool selected = rowSelect_ ? sm->isRowSelected(row - 1, QModelIndex()) : sm->isSelected(idx);
        if (sm->currentIndex() != idx || !selected)
            sm->setCurrentIndex(idx, flags);
        if (row != shownRowNum_)
            scrollTo(idx);
    } else if (sm->currentIndex().isValid() || sm->hasSelection()) {
        sm->clear();
    }
    --syncing_;
    const int old = shownRowNum_;
    shownRowNum_ = row;
    if (old != row)
        model_->CurrentRowChanged(old, row);
}

// --- ordering ---------------------------------------------------------------------------------

int TIB_Grid::OrderingColumnIndex() const
{
    TIB_Dataset* ds = Dataset();
    if (!ds || !ds->Prepared() || ds->OrderingItemNo() == 0)
        return -1;
    const int k = std::abs(ds->OrderingItemNo());
    for (int col = 0; col < GridColumnCount(); ++col)
        if (TIB_Column* c = GridField(col); c && ds->ColumnOrderingItemNo(*c) == k)
            return col;
    return -1;
}

void TIB_Grid::UpdateOrderingIndicator()
{
    QHeaderView* h = horizontalHeader();
    const int col = indicateTitles_ && indicateOrdering_ ? OrderingColumnIndex() : -1;
    h->setSortIndicatorShown(col >= 0);
    if (col >= 0)
        h->setSortIndicator(col, Dataset()->OrderingItemNo() > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    else
        h->setSortIndicator(-1, Qt::AscendingOrder);
}

void TIB_Grid::TitleClick(int col)
{
    TIB_Dataset* ds = Dataset();
    TIB_Column* c = GridField(col);
    if (indicateTitles_ && indicateOrdering_ && ds && c && !DatasetBusy()) {
        Guarded(*link_, [&] {
            const int k = ds->ColumnOrderingItemNo(*c);
            if (k <= 0)
                return; // no ordering link: the click changes nothing
            const int n = ds->OrderingItemNo();
            int next = n;
            if (std::abs(n) == k) {
                if (!ds->OrderingItemText(-n).empty())
                    next = -n;
            } else if (!ds->OrderingItemText(k).empty()) {
                next = k;
            } else if (!ds->OrderingItemText(-k).empty()) {
                next = -k;
            }
            if (next == n)
                return;
            ds->CheckBrowseMode();
            ds->SetOrderingItemNo(next);
        });
    }
    // The header flips its own marker on a click: put it back on the
    // dataset's ordering column.
    UpdateOrderingIndicator();
}

} // namespace varnel::ui
