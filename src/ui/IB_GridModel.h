#pragma once
// TIB_GridModel: the table model of a TIB_Grid. It shows the rows of a
// buffered dataset (TIB_BDataset) that are already in its row buffer and
// reads them through the buffer position (ReadBufferRow, BufferFields), so
// reading a cell never moves the current row, fires no dataset event and
// fetches nothing. It grows only in fetchMore (the view asks when its last
// row comes into sight: one page of rows is fetched) and in SyncRows (the
// dataset itself fetched further, e.g. to move its current row). data()
// only reads.
//
// The model belongs to its grid; it reaches the dataset through the grid's
// data link at every call, so it shows nothing once the link has no data
// source or dataset. The columns are set by the grid.
#include <QAbstractTableModel>

#include <string>
#include <vector>

namespace varnel::db {
class TIB_BDataset;
class TIB_Column;
class TIB_DataLink;
} // namespace varnel::db

namespace varnel::ui {

// One column of a grid, as the grid resolved it from GridLinks or the
// dataset's visible columns.
struct TIB_GridColumn {
    int FieldIndex = -1;       // position in the dataset's Fields (and BufferFields)
    int GridLinkLine = -1;     // line of GridLinks it comes from; -1 without GridLinks
    std::string Title;         // display label as the title shows it
    std::string BlobName;      // display name inside "( ... )" of a blob cell
    int Width = 0;             // designed width in pixels (WIDTH= or display width)
    int DisplayWidth = 0;      // the column's display width (stretch floor)
    Qt::Alignment Alignment = Qt::AlignLeft;
};

class TIB_GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TIB_GridModel(QObject* parent = nullptr);

    // The link the dataset is read through (null: shows nothing).
    void SetLink(varnel::db::TIB_DataLink* link) { link_ = link; }
    // The buffered dataset of the link, or null.
    varnel::db::TIB_BDataset* Dataset() const;

    // Replaces the columns and resets the model to the rows buffered now.
    void SetColumns(std::vector<TIB_GridColumn> columns);
    const std::vector<TIB_GridColumn>& Columns() const { return columns_; }
    // Grid column i for the grid to update its widths; null when out of range.
    TIB_GridColumn* Column(int i);
    // The Fields column shown in grid column i, or null.
    varnel::db::TIB_Column* FieldOf(int i) const;
    // The title of column i changed in place.
    void SetTitle(int i, const std::string& title);

    // Rows fetched per fetchMore (the grid sets about a screenful).
    int PageRows() const { return pageRows_; }
    void SetPageRows(int n) { pageRows_ = n < 1 ? 1 : n; }

    // The row buffer was emptied or refilled: reset to the rows buffered now.
    void ResetRows();
    // Shows the rows the dataset fetched beyond those shown (or resets when
    // the buffer holds fewer rows than shown).
    void SyncRows();
    // The values of buffered row rowNum (1-based) changed.
    void RowChanged(int rowNum);
    // The current row's indicator moved (vertical header).
    void CurrentRowChanged(int oldRowNum, int newRowNum);
    // Number of rows shown.
    int ShownRows() const { return rows_; }

    // The text of grid column `column` in buffered row rowNum (1-based), as
    // the cell shows it; reads through the buffer position only.
    QString CellText(int rowNum, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // More rows can come: buffered but not shown, or not fetched yet. Not
    // while the dataset is busy (a fetch lets the user interface process
    // messages and must not be re-entered) nor inside a change of the model.
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    bool Busy() const;

    varnel::db::TIB_DataLink* link_ = nullptr;
    std::vector<TIB_GridColumn> columns_;
    int rows_ = 0;
    int pageRows_ = 20;
    int changing_ = 0; // inside begin/end of a reset or an insert
};

} // namespace varnel::ui
