#pragma once
// TIB_DataSource and the data links: the only way controls and detail
// datasets hear of a dataset. A data source serves one dataset and any
// number of links; the dataset tells its data sources of state changes,
// data changes (the current row moved, or one column changed), layout
// changes (prepared, columns rebuilt), ordering changes, buffer changes and
// the update-data / check-browse-mode requests; each data source passes
// them on to its links in list order. Links ask back through the data
// source: modify (enter dssEdit with AutoEdit), edit, check browse mode.
//
// Nobody owns anybody here: the window (or test) owns its data sources,
// datasets and controls; each side detaches from the other when it goes.
// A link attaches with SetDataSource and detaches in its destructor.
#include "db/IB_Column.h"
#include "db/IB_Text.h"

#include <functional>
#include <string>
#include <vector>

namespace varnel::db {

class TIB_Dataset;
class TIB_DataLink;
enum class TIB_DatasetState;

class TIB_DataSource {
public:
    TIB_DataSource();
    ~TIB_DataSource();
    TIB_DataSource(const TIB_DataSource&) = delete;
    TIB_DataSource& operator=(const TIB_DataSource&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    TIB_Dataset* Dataset() const { return dataset_; }
    // Detaches from the old dataset and attaches to the new one; the links
    // are told (assignment: state, layout and data). A detail whose master
    // link is one of the links may not be (or master) the new dataset:
    // EIB_DatasetError "Circular reference not allowed".
    void SetDataset(TIB_Dataset* dataset);

    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool v) { autoEdit_ = v; }
    bool AutoInsert() const { return autoInsert_; }
    void SetAutoInsert(bool v) { autoInsert_ = v; }
    // Links hear nothing while disabled.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);

    // The dataset's state; dssInactive without a dataset.
    TIB_DatasetState State() const;
    // dssSearch, dssEdit or dssInsert.
    bool Modifying() const;

    const std::vector<TIB_DataLink*>& Links() const { return links_; }

    // Counted suspension of every link (except assignment and re-binding);
    // a due state change and data change are delivered once, state first,
    // when the count returns to 0.
    void DisableControls();
    void EnableControls();
    int ControlsDisabledLevel() const { return disabled_; }
    // Counted suspension of the control links only; master links keep
    // hearing everything.
    void DisableInterface();
    void EnableInterface();

    // --- requests of the links ------------------------------------------------
    // Enters dssEdit when the dataset browses and AutoEdit is on; true when
    // the dataset is editing (or inserting) afterwards. Errors of the edit
    // (a read-only dataset, no current row) propagate.
    bool Modify();
    // Enters dssEdit if allowed (raises as TIB_Dataset::Edit).
    void Edit();
    // The dataset's CheckBrowseMode.
    void CheckBrowseMode();

    // --- notifications from the dataset (TIB_Dataset calls these) ---------------
    void StateChanged();
    void DataChange(TIB_Column* column);
    void UpdateData();
    void NotifyCheckBrowseMode();
    void LayoutChanged();
    void OrderingChanged();
    void BufferChanged(int rowNum);
    // The dataset is going: forget it (links hear a state change).
    void DatasetGone();

private:
    friend class TIB_DataLink;
    friend class TIB_Dataset;
    void AddLink(TIB_DataLink* link, bool atFront);
    void RemoveLink(TIB_DataLink* link);
    template <class F> void ForLinks(bool controlLinksHeld, F f);
    bool Held(const TIB_DataLink* link) const;
    void DeliverPending(bool controlLinksOnly);

    std::string name_;
    TIB_Dataset* dataset_ = nullptr;
    bool autoEdit_ = true;
    bool autoInsert_ = true;
    bool enabled_ = true;
    int disabled_ = 0;
    int interfaceDisabled_ = 0;
    bool pendingState_ = false, pendingData_ = false;
    bool pendingInterfaceState_ = false, pendingInterfaceData_ = false;
    std::vector<TIB_DataLink*> links_;
};

// Base of every link. The Sys* members are the notifications; each runs
// the matching std::function hook when assigned, so a control can either
// derive or just install handlers.
class TIB_DataLink {
public:
    TIB_DataLink();
    virtual ~TIB_DataLink();
    TIB_DataLink(const TIB_DataLink&) = delete;
    TIB_DataLink& operator=(const TIB_DataLink&) = delete;

    TIB_DataSource* DataSource() const { return dataSource_; }
    // Detaches from the old data source first; the same data source again
    // does nothing. The link is told of the assignment (state, layout and
    // a whole-row data change).
    void SetDataSource(TIB_DataSource* ds);
    TIB_Dataset* Dataset() const;
    // The dataset is in dssEdit, dssInsert or dssSearch.
    bool Editing() const { return editing_; }
    // Control links are held back by DisableInterface; master links not.
    virtual bool IsControlLink() const { return true; }

    std::function<void(TIB_DataLink&)> OnStateChanged;
    // The current row changed (column null) or one column changed.
    std::function<void(TIB_DataLink&, TIB_Column*)> OnDataChange;
    std::function<void(TIB_DataLink&)> OnUpdateData;
    std::function<void(TIB_DataLink&)> OnCheckBrowseMode;
    std::function<void(TIB_DataLink&)> OnLayoutChanged;
    std::function<void(TIB_DataLink&)> OnOrderingChanged;
    // The row buffer was emptied or refilled (rowNum 0: open, close,
    // refresh), or the values of buffered row rowNum changed (a post).
    std::function<void(TIB_DataLink&, int rowNum)> OnBufferChanged;

protected:
    friend class TIB_DataSource;
    virtual void SysStateChanged();
    virtual void SysDataChange(TIB_Column* column);
    virtual void SysUpdateData();
    virtual void SysCheckBrowseMode();
    virtual void SysLayoutChanged();
    virtual void SysOrderingChanged();
    virtual void SysBufferChanged(int rowNum);
    // Attached to a data source (or detached when ds is null).
    virtual void SysAssignment();

    void DeliverDataChange(TIB_Column* column);
    void UpdateEditing();

    TIB_DataSource* dataSource_ = nullptr;
    bool editing_ = false;
    int dataChanging_ = 0;
};

// The link of a data-aware control to one column (DataField). The column
// is looked up by name in the dataset's Fields at every layout change; it
// is null while the dataset is not prepared or has no such column.
//
// A control that edits: on the user's first change call Modify() (true
// when the dataset is editing; the link is then marked modified); when
// the control loses the focus call UpdateRecord(), which runs OnUpdateData
// (the control writes its value into Field()) when the link is modified
// and the dataset is editing, and clears the mark.
class TIB_FieldDataLink : public TIB_DataLink {
public:
    const std::string& DataField() const { return dataField_; }
    void SetDataField(const std::string& name);
    TIB_Column* Field() const { return field_; }

    // The control was changed by the user since the last load or write.
    bool Modified() const { return modified_; }
    void SetModified(bool v) { modified_ = v; }
    bool Modify();
    void UpdateRecord();
    // The bound column may not be changed through a control (no column,
    // or TIB_Dataset::GetColumnIsReadOnly).
    bool FieldIsReadOnly() const;

protected:
    void SysStateChanged() override;
    void SysDataChange(TIB_Column* column) override;
    void SysUpdateData() override;
    void SysCheckBrowseMode() override;
    void SysLayoutChanged() override;
    void SysAssignment() override;

private:
    void Bind();
    std::string dataField_;
    TIB_Column* field_ = nullptr;
    bool modified_ = false;
};

// The link a detail dataset keeps to its master's data source (owned by
// the detail). It forwards master data changes, state changes and
// check-browse-mode requests to the detail.
class TIB_MasterDataLink : public TIB_DataLink {
public:
    explicit TIB_MasterDataLink(TIB_Dataset& detail) : detail_(detail) {}
    bool IsControlLink() const override { return false; }
    TIB_Dataset& Detail() const { return detail_; }

protected:
    void SysStateChanged() override;
    void SysDataChange(TIB_Column* column) override;
    void SysCheckBrowseMode() override;
    void SysAssignment() override;

private:
    TIB_Dataset& detail_;
};

} // namespace varnel::db
