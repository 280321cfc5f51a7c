#pragma once
// TIB_Grid: the data-aware grid. A QTableView over a TIB_GridModel that
// shows the rows of the buffered dataset of its DataSource (a TIB_BDataset;
// any other dataset shows no rows). Rows are read through the dataset's
// buffer position and fetched only when the view asks for more (about a
// screenful per request), so drawing never moves the current row, never
// fires a scroll event and never fetches beyond the rows it shows.
//
// Columns: GridLinks lines (COLUMN[=WIDTH=n;ALIGN=CENTER], COLUMN qualified
// or not; lines naming no column are skipped) or, without GridLinks, every
// column whose FieldsVisible is not "FALSE", calculated columns included.
// Titles are the display labels ("-": empty, "/-": "-"), widths the WIDTH
// parameter or the display width; dragging a border stores the width back
// (into the GridLinks line, else the dataset's FieldsDisplayWidth; not for
// the stretch column in list-box style). In list-box style the
// StretchColumn (default: the last column) takes the rest of the client
// width, never less than two thirds of its display width.
//
// Selecting a row (mouse or keyboard) moves the dataset there with every
// effect of a move (a pending edit is posted first, details follow); when
// the dataset moves, the selection follows. A click on a column title
// switches the dataset's ordering (CheckBrowseMode, then
// SetOrderingItemNo) when the column has an ordering link; the ordering
// column's title carries the sort marker. Errors of these user actions go
// to the session's show-exception hook.
//
// The grid owns its model and its data link; it does not own the data
// source, which may go before the grid (the grid then shows nothing).
#include "db/IB_Text.h"
#include "ui/IB_GridModel.h"

#include <QTableView>

#include <memory>
#include <string>

namespace varnel::db {
class TIB_Column;
class TIB_DataLink;
class TIB_DataSource;
class TIB_Dataset;
} // namespace varnel::db

namespace varnel::ui {

class TIB_Grid : public QTableView {
    Q_OBJECT
public:
    explicit TIB_Grid(QWidget* parent = nullptr);
    ~TIB_Grid() override;

    varnel::db::TIB_DataSource* DataSource() const;
    void SetDataSource(varnel::db::TIB_DataSource* ds);
    // The dataset of the data source, or null.
    varnel::db::TIB_Dataset* Dataset() const;

    const varnel::db::TIB_StringList& GridLinks() const { return gridLinks_; }
    void SetGridLinks(const varnel::db::TIB_StringList& links);
    const std::string& StretchColumn() const { return stretchColumn_; }
    void SetStretchColumn(const std::string& name);
    // [false] the stretch column fills the client width.
    bool ListBoxStyle() const { return listBoxStyle_; }
    void SetListBoxStyle(bool v);
    // [false] whole rows are selected, not single cells.
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool v);
    // [true] an indicator column 11 pixels wide left of the data.
    bool IndicateRow() const { return indicateRow_; }
    void SetIndicateRow(bool v);
    // [true, true] titles mark the ordering column and title clicks switch
    // the ordering (both must be on).
    bool IndicateTitles() const { return indicateTitles_; }
    void SetIndicateTitles(bool v);
    bool IndicateOrdering() const { return indicateOrdering_; }
    void SetIndicateOrdering(bool v);
    // [17] height of every row in pixels.
    int DefaultRowHeight() const { return rowHeight_; }
    void SetDefaultRowHeight(int pixels);

    // --- the resolved layout -----------------------------------------------------
    int GridColumnCount() const;
    // The dataset column shown in grid column col (Fields), or null.
    varnel::db::TIB_Column* GridField(int col) const;
    // The grid column that stretches; -1 when none.
    int StretchColumnIndex() const { return stretchIndex_; }
    // The grid column linked to |OrderingItemNo|; -1 when none is shown.
    int OrderingColumnIndex() const;
    TIB_GridModel* GridModel() const { return model_; }
    varnel::db::TIB_DataLink& DataLink() const { return *link_; }

    // What a click released on the title of grid column col does.
    void TitleClick(int col);
    // Applies the widths again and stretches (list-box style).
    void LayoutColumns();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void RebuildColumns();
    static TIB_GridColumn MakeColumn(varnel::db::TIB_Dataset& ds, int fieldIndex, int line, const std::string& params);
    void ResolveStretchColumn();
    void ApplyWidths();
    void Stretch();
    void SectionResized(int logical, int oldSize, int newSize);
    void SyncSelection();
    void QueueSyncSelection();
    void UpdateOrderingIndicator();
    void UpdatePageRows();
    // Asks the model for more rows while the last known one is in sight.
    void FillPage();
    void QueueFillPage();
    bool DatasetBusy() const;

    std::unique_ptr<varnel::db::TIB_DataLink> link_;
    TIB_GridModel* model_ = nullptr; // child object
    varnel::db::TIB_StringList gridLinks_;
    std::string stretchColumn_;
    bool listBoxStyle_ = false;
    bool rowSelect_ = false;
    bool indicateRow_ = true;
    bool indicateTitles_ = true;
    bool indicateOrdering_ = true;
    int rowHeight_ = 17;
    int stretchIndex_ = -1;
    int applyingWidths_ = 0;
    int syncing_ = 0;
    int shownRowNum_ = 0; // the dataset row the selection was last put on
};

} // namespace varnel::ui
