#include "dataset/IB_DataSource.h"

#include "dataset/IB_Dataset.h"

#include <algorithm>

namespace varnel::db {

// --- TIB_DataSource -------------------------------------------------------------

TIB_DataSource::TIB_DataSource() = default;

TIB_DataSource::~TIB_DataSource()
{
    if (dataset_)
        dataset_->RemoveDataSource(this);
    dataset_ = nullptr;
    for (TIB_DataLink* link : std::vector<TIB_DataLink*>(links_)) {
        link->dataSource_ = nullptr;
        link->editing_ = false;
    }
    links_.clear();
}

void TIB_DataSource::SetDataset(TIB_Dataset* dataset)
{
    if (dataset == dataset_)
        return;
    bool hasMasterLinks = false;
    for (TIB_DataLink* link : links_) {
        if (link->IsControlLink())
            continue;
        hasMasterLinks = true;
        TIB_Dataset& detail = static_cast<TIB_MasterDataLink*>(link)->Detail();
        if (dataset && (dataset == &detail || dataset->IsDetailOf(&detail)))
            throw EIB_DatasetError("Circular reference not allowed");
    }
    if (dataset_)
        dataset_->RemoveDataSource(this);
    dataset_ = dataset;
    if (dataset_)
        dataset_->AddDataSource(this, hasMasterLinks);
    for (TIB_DataLink* link : std::vector<TIB_DataLink*>(links_))
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            link->SysAssignment();
}

void TIB_DataSource::SetEnabled(bool v)
{
    if (v == enabled_)
        return;
    enabled_ = v;
    for (TIB_DataLink* link : std::vector<TIB_DataLink*>(links_))
        link->SysAssignment();
}

TIB_DatasetState TIB_DataSource::State() const
{
    return dataset_ ? dataset_->State() : TIB_DatasetState::dssInactive;
}

bool TIB_DataSource::Modifying() const
{
    const TIB_DatasetState s = State();
    return s == TIB_DatasetState::dssSearch || s == TIB_DatasetState::dssEdit || s == TIB_DatasetState::dssInsert;
}

void TIB_DataSource::AddLink(TIB_DataLink* link, bool atFront)
{
    std::erase(links_, link);
    if (atFront)
        links_.insert(links_.begin(), link);
    else
        links_.push_back(link);
    // Details are brought up to date before the master's controls.
    if (atFront && dataset_)
        dataset_->AddDataSource(this, true);
}

void TIB_DataSource::RemoveLink(TIB_DataLink* link) { std::erase(links_, link); }

bool TIB_DataSource::Held(const TIB_DataLink* link) const
{
    return interfaceDisabled_ > 0 && link->IsControlLink();
}

template <class F> void TIB_DataSource::ForLinks(bool recordHeld, F f)
{
    for (TIB_DataLink* link : std::vector<TIB_DataLink*>(links_)) {
        if (std::find(links_.begin(), links_.end(), link) == links_.end())
            continue; // detached meanwhile
        if (recordHeld && Held(link))
            continue;
        f(link);
    }
}

void TIB_DataSource::DisableControls() { ++disabled_; }

void TIB_DataSource::EnableControls()
{
    if (disabled_ == 0 || --disabled_ > 0)
        return;
    DeliverPending(false);
}

void TIB_DataSource::DisableInterface() { ++interfaceDisabled_; }

void TIB_DataSource::EnableInterface()
{
    if (interfaceDisabled_ == 0 || --interfaceDisabled_ > 0)
        return;
    DeliverPending(true);
}

void TIB_DataSource::DeliverPending(bool controlLinksOnly)
{
    bool& state = controlLinksOnly ? pendingInterfaceState_ : pendingState_;
    bool& data = controlLinksOnly ? pendingInterfaceData_ : pendingData_;
    const bool s = state, d = data;
    state = data = false;
    if (!enabled_)
        return;
    if (!controlLinksOnly) {
        if (s)
            StateChanged();
        if (d)
            DataChange(nullptr);
        return;
    }
    ForLinks(true, [&](TIB_DataLink* link) {
        if (!link->IsControlLink())
            return;
        if (s)
            link->SysStateChanged();
        if (d)
            link->DeliverDataChange(nullptr);
    });
}

bool TIB_DataSource::Modify()
{
    if (!dataset_)
        return false;
    if (dataset_->State() == TIB_DatasetState::dssBrowse && autoEdit_)
        dataset_->Edit();
    return Modifying();
}

void TIB_DataSource::Edit()
{
    if (dataset_)
        dataset_->Edit();
}

void TIB_DataSource::CheckBrowseMode()
{
    if (dataset_)
        dataset_->CheckBrowseMode();
}

void TIB_DataSource::StateChanged()
{
    if (!enabled_)
        return;
    if (disabled_ > 0) {
        pendingState_ = true;
        return;
    }
    ForLinks(false, [&](TIB_DataLink* link) {
        if (Held(link))
            pendingInterfaceState_ = true;
        else
            link->SysStateChanged();
    });
}

void TIB_DataSource::DataChange(TIB_Column* column)
{
    if (!enabled_)
        return;
    if (disabled_ > 0) {
        pendingData_ = true;
        return;
    }
    ForLinks(false, [&](TIB_DataLink* link) {
        if (Held(link))
            pendingInterfaceData_ = true;
        else
            link->DeliverDataChange(column);
    });
}

void TIB_DataSource::UpdateData()
{
    if (!enabled_ || disabled_ > 0)
        return;
    ForLinks(true, [](TIB_DataLink* link) { link->SysUpdateData(); });
}

void TIB_DataSource::NotifyCheckBrowseMode()
{
    if (!enabled_ || disabled_ > 0)
        return;
    ForLinks(true, [](TIB_DataLink* link) { link->SysCheckBrowseMode(); });
}

void TIB_DataSource::LayoutChanged()
{
    ForLinks(false, [](TIB_DataLink* link) { link->SysLayoutChanged(); });
}

void TIB_DataSource::OrderingChanged()
{
    if (!enabled_ || disabled_ > 0)
        return;
    ForLinks(true, [](TIB_DataLink* link) { link->SysOrderingChanged(); });
}

void TIB_DataSource::BufferChanged(int rowNum)
{
    ForLinks(false, [&](TIB_DataLink* link) { link->SysBufferChanged(rowNum); });
}

void TIB_DataSource::DatasetGone()
{
    dataset_ = nullptr;
    ForLinks(false, [](TIB_DataLink* link) { link->SysAssignment(); });
}

// --- TIB_DataLink -------------------------------------------------------------------

TIB_DataLink::TIB_DataLink() = default;

TIB_DataLink::~TIB_DataLink()
{
    if (dataSource_)
        dataSource_->RemoveLink(this);
}

void TIB_DataLink::SetDataSource(TIB_DataSource* ds)
{
    if (ds == dataSource_)
        return;
    if (dataSource_)
        dataSource_->RemoveLink(this);
    dataSource_ = ds;
    if (ds)
        ds->AddLink(this, !IsControlLink());
    SysAssignment();
}

TIB_Dataset* TIB_DataLink::Dataset() const { return dataSource_ ? dataSource_->Dataset() : nullptr; }

void TIB_DataLink::UpdateEditing() { editing_ = dataSource_ && dataSource_->Modifying(); }

void TIB_DataLink::DeliverDataChange(TIB_Column* column)
{
    if (dataChanging_ > 0)
        return;
    ++dataChanging_;
    try {
        SysDataChange(column);
    } catch (...) {
        --dataChanging_;
        throw;
    }
    --dataChanging_;
}

void TIB_DataLink::SysStateChanged()
{
    UpdateEditing();
    if (OnStateChanged)
        OnStateChanged(*this);
}

void TIB_DataLink::SysDataChange(TIB_Column* column)
{
    if (OnDataChange)
        OnDataChange(*this, column);
}

void TIB_DataLink::SysUpdateData()
{
    if (OnUpdateData)
        OnUpdateData(*this);
}

void TIB_DataLink::SysCheckBrowseMode()
{
    if (OnCheckBrowseMode)
        OnCheckBrowseMode(*this);
}

void TIB_DataLink::SysLayoutChanged()
{
    if (OnLayoutChanged)
        OnLayoutChanged(*this);
}

void TIB_DataLink::SysOrderingChanged()
{
    if (OnOrderingChanged)
        OnOrderingChanged(*this);
}

void TIB_DataLink::SysBufferChanged(int rowNum)
{
    if (OnBufferChanged)
        OnBufferChanged(*this, rowNum);
}

void TIB_DataLink::SysAssignment()
{
    SysLayoutChanged();
    SysStateChanged();
    DeliverDataChange(nullptr);
}

// --- TIB_FieldDataLink ---------------------------------------------------------------

void TIB_FieldDataLink::SetDataField(const std::string& name)
{
    if (name == dataField_)
        return;
    dataField_ = name;
    Bind();
    modified_ = false;
    DeliverDataChange(nullptr);
}

void TIB_FieldDataLink::Bind()
{
    field_ = nullptr;
    TIB_Dataset* d = Dataset();
    if (d && d->Prepared() && !dataField_.empty())
        field_ = d->Fields().FindByName(dataField_);
}

bool TIB_FieldDataLink::Modify()
{
    if (!dataSource_ || !field_)
        return false;
    const bool ok = dataSource_->Modify();
    UpdateEditing();
    if (ok)
        modified_ = true;
    return ok;
}

void TIB_FieldDataLink::UpdateRecord() { SysUpdateData(); }

bool TIB_FieldDataLink::FieldIsReadOnly() const
{
    TIB_Dataset* d = Dataset();
    return !field_ || !d || d->GetColumnIsReadOnly(*field_);
}

void TIB_FieldDataLink::SysStateChanged()
{
    TIB_DataLink::SysStateChanged();
    if (!editing_)
        modified_ = false;
}

void TIB_FieldDataLink::SysDataChange(TIB_Column* column)
{
    if (column && column != field_)
        return;
    if (!column)
        modified_ = false;
    TIB_DataLink::SysDataChange(column);
}

void TIB_FieldDataLink::SysUpdateData()
{
    UpdateEditing();
    if (modified_ && editing_ && field_) {
        TIB_DataLink::SysUpdateData();
    }
    modified_ = false;
}

void TIB_FieldDataLink::SysCheckBrowseMode()
{
    SysUpdateData();
    TIB_DataLink::SysCheckBrowseMode();
}

void TIB_FieldDataLink::SysLayoutChanged()
{
    Bind();
    TIB_DataLink::SysLayoutChanged();
}

void TIB_FieldDataLink::SysAssignment()
{
    Bind();
    modified_ = false;
    TIB_DataLink::SysAssignment();
}

// --- TIB_MasterDataLink ---------------------------------------------------------------

void TIB_MasterDataLink::SysStateChanged()
{
    UpdateEditing();
    if (!detail_.Destroying())
        detail_.MasterStateChanged();
}

void TIB_MasterDataLink::SysDataChange(TIB_Column* column)
{
    if (!detail_.Destroying())
        detail_.MasterDataChange(column);
}

void TIB_MasterDataLink::SysCheckBrowseMode()
{
    if (!detail_.Destroying())
        detail_.CheckBrowseMode();
}

void TIB_MasterDataLink::SysAssignment()
{
    UpdateEditing();
    if (!detail_.Destroying())
        detail_.MasterDataChange(nullptr);
}

} // namespace varnel::db
