#include "ui/IB_GridModel.h"

#include "dataset/IB_BDataset.h"
#include "dataset/IB_DataSource.h"
#include "ui/IB_Controls.h"

namespace varnel::ui {

using namespace varnel::db;

namespace {

// A text shown in a one-line cell: trailing line breaks dropped, the
// others (CR LF, LF, lone CR) shown as one blank each.
std::string OneLine(const std::string& text)
{
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n'))
        --end;
    std::string r;
    r.reserve(end);
    for (size_t i = 0; i < end; ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < end && text[i + 1] == '\n')
                ++i;
            r += ' ';
        } else if (c == '\n') {
            r += ' ';
        } else {
            r += c;
        }
    }
    return r;
}

// Counts a change of the model in progress (between begin and end).
class ChangeScope {
public:
    explicit ChangeScope(int& n) : n_(n) { ++n_; }
    ~ChangeScope() { --n_; }
    ChangeScope(const ChangeScope&) = delete;
    ChangeScope& operator=(const ChangeScope&) = delete;

private:
    int& n_;
};

} // namespace

TIB_GridModel::TIB_GridModel(QObject* parent) : QAbstractTableModel(parent) {}

TIB_BDataset* TIB_GridModel::Dataset() const
{
    return link_ ? dynamic_cast<TIB_BDataset*>(link_->Dataset()) : nullptr;
}

bool TIB_GridModel::Busy() const
{
    const TIB_BDataset* ds = Dataset();
    return ds && ds->Session().BusyLevel() > 0;
}

void TIB_GridModel::SetColumns(std::vector<TIB_GridColumn> columns)
{
    ChangeScope change(changing_);
    beginResetModel();
    columns_ = std::move(columns);
    const TIB_BDataset* ds = Dataset();
    rows_ = ds && ds->Active() ? ds->BufferRowCount() : 0;
    endResetModel();
}

TIB_GridColumn* TIB_GridModel::Column(int i)
{
    return i < 0 || i >= static_cast<int>(columns_.size()) ? nullptr : &columns_[static_cast<size_t>(i)];
}

TIB_Column* TIB_GridModel::FieldOf(int i) const
{
    TIB_BDataset* ds = Dataset();
    if (!ds || i < 0 || i >= static_cast<int>(columns_.size()))
        return nullptr;
    const int f = columns_[static_cast<size_t>(i)].FieldIndex;
    if (f < 0 || f >= ds->Fields().ColumnCount())
        return nullptr;
    return &ds->Fields().Columns(f);
}

void TIB_GridModel::SetTitle(int i, const std::string& title)
{
    if (i < 0 || i >= static_cast<int>(columns_.size()) || columns_[static_cast<size_t>(i)].Title == title)
        return;
    columns_[static_cast<size_t>(i)].Title = title;
    emit headerDataChanged(Qt::Horizontal, i, i);
}

void TIB_GridModel::ResetRows()
{
    ChangeScope change(changing_);
    beginResetModel();
    const TIB_BDataset* ds = Dataset();
    rows_ = ds && ds->Active() ? ds->BufferRowCount() : 0;
    endResetModel();
}

void TIB_GridModel::SyncRows()
{
    const TIB_BDataset* ds = Dataset();
    const int have = ds && ds->Active() ? ds->BufferRowCount() : 0;
    if (have > rows_) {
        ChangeScope change(changing_);
        beginInsertRows(QModelIndex(), rows_, have - 1);
        rows_ = have;
        endInsertRows();
    } else if (have < rows_) {
        ResetRows();
    }
}

void TIB_GridModel::RowChanged(int rowNum)
{
    if (rowNum < 1 || rowNum > rows_ || columns_.empty())
        return;
    emit dataChanged(index(rowNum - 1, 0), index(rowNum - 1, static_cast<int>(columns_.size()) - 1));
}

void TIB_GridModel::CurrentRowChanged(int oldRowNum, int newRowNum)
{
    if (oldRowNum >= 1 && oldRowNum <= rows_)
        emit headerDataChanged(Qt::Vertical, oldRowNum - 1, oldRowNum - 1);
    if (newRowNum >= 1 && newRowNum <= rows_ && newRowNum != oldRowNum)
        emit headerDataChanged(Qt::Vertical, newRowNum - 1, newRowNum - 1);
}

QString TIB_GridModel::CellText(int rowNum, int column) const
{
    TIB_BDataset* ds = Dataset();
    if (!ds || column < 0 || column >= static_cast<int>(columns_.size()) || rowNum < 1 || rowNum > rows_)
        return {};
    const TIB_GridColumn& gc = columns_[static_cast<size_t>(column)];
    TIB_Row* row = nullptr;
    if (rowNum == ds->RowNum() && ds->NeedToPost()) {
        // The row being edited shows the values it holds now.
        row = &ds->Fields();
    } else {
        if (!ds->ReadBufferRow(rowNum))
            return {};
        row = &ds->BufferFields();
    }
    if (gc.FieldIndex < 0 || gc.FieldIndex >= row->ColumnCount())
        return {};
    const TIB_Column& c = row->Columns(gc.FieldIndex);
    if (c.IsNull())
        return {};
    if (c.DataType() == SQLTYPE_BLOB) {
        if (c.SQLSubType() == 1)
            if (auto text = ds->LoadedBlobText(c))
                return Latin1(OneLine(*text));
        return Latin1("( " + gc.BlobName + " )");
    }
    return Latin1(c.AsString());
}

int TIB_GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TIB_GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TIB_GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_ || index.column() >= static_cast<int>(columns_.size()))
        return {};
    switch (role) {
    case Qt::DisplayRole: return CellText(index.row() + 1, index.column());
    case Qt::TextAlignmentRole:
        return static_cast<int>(columns_[static_cast<size_t>(index.column())].Alignment | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant TIB_GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= static_cast<int>(columns_.size()))
            return {};
        if (role == Qt::DisplayRole)
            return Latin1(columns_[static_cast<size_t>(section)].Title);
        return {};
    }
    if (role != Qt::DisplayRole || section < 0 || section >= rows_)
        return {};
    // The row indicator: a marker on the current row.
    const TIB_BDataset* ds = Dataset();
    if (ds && ds->RowNum() == section + 1)
        return QString(QChar(0x25B8));
    return QString();
}

Qt::ItemFlags TIB_GridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool TIB_GridModel::canFetchMore(const QModelIndex& parent) const
{
    if (parent.isValid())
        return false;
    const TIB_BDataset* ds = Dataset();
    // Not while the dataset is busy (a fetch in progress lets the user
    // interface process messages; it must not be re-entered).
    if (!ds || !ds->Active() || Busy() || changing_ > 0)
        return false;
    return rows_ < ds->BufferRowCount() || !ds->AllRowsFetched();
}

void TIB_GridModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    TIB_BDataset* ds = Dataset();
    const int want = rows_ + pageRows_;
    if (ds->BufferRowCount() < want && !ds->AllRowsFetched()) {
        try {
            ds->FetchTo(want);
        } catch (const std::exception& e) {
            // The rows fetched so far stay and are shown.
            ReportError(ds, e);
        }
    }
    SyncRows();
}

} // namespace varnel::ui
