#pragma once
// TIB_Memo: the data-aware memo. A QPlainTextEdit bound to one column
// (DataField) of its DataSource's current row through a TIB_FieldDataLink.
//
// Showing: every data change of the row (or of the column) loads the
// column: null shows an empty memo, a text is shown line by line (CR LF,
// LF or a lone CR end a line). Loading never marks the memo modified. When
// reading fails the memo shows "Could not load memo" and reports the error
// through the session's show-exception hook; it stays usable.
//
// Editing: the user's first change asks the data source to modify (with
// AutoEdit the dataset enters dssEdit); when that is refused the change
// is undone. The memo is read-only while it has no column, the column is
// read-only, the dataset is closed or has no current row.
//
// Writing: on leaving the memo (focus out; not when only a popup or
// another window takes the focus) and on the dataset's update-data
// notification the text goes into the column, only while the dataset
// edits and only when the user changed it: its lines, each followed by
// CR LF (so a one-line text gains a trailing CR LF); an empty memo writes
// null. A text the user changed back to what the column holds writes
// nothing. After leaving, OnExit runs (not when writing failed); errors of
// both are reported through the session's show-exception hook.
//
// The memo owns its link and its auto label; it does not own the data
// source.
#include "dataset/IB_DataSource.h"
#include "ui/IB_AutoLabel.h"

#include <QPlainTextEdit>

#include <functional>
#include <memory>
#include <string>

namespace varnel::ui {

class TIB_Memo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TIB_Memo(QWidget* parent = nullptr);
    ~TIB_Memo() override;

    varnel::db::TIB_DataSource* DataSource() const { return link_->DataSource(); }
    void SetDataSource(varnel::db::TIB_DataSource* ds) { link_->SetDataSource(ds); }
    const std::string& DataField() const { return link_->DataField(); }
    void SetDataField(const std::string& name) { link_->SetDataField(name); }
    varnel::db::TIB_FieldDataLink& DataLink() const { return *link_; }
    varnel::db::TIB_Dataset* Dataset() const { return link_->Dataset(); }
    // The bound column of the current row (Fields), or null.
    varnel::db::TIB_Column* Field() const { return link_->Field(); }

    // The caption label (Kind, Caption, Margin).
    TIB_AutoLabel& AutoLabel() const { return *autoLabel_; }
    // [false] kept for the designed property; the memo never sizes itself.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v) { autoSize_ = v; }

    // Runs when the focus has left the memo, after the text was written.
    std::function<void(TIB_Memo& Sender)> OnExit;

    // The user changed the text since it was loaded or written.
    bool Modified() const { return link_->Modified(); }
    // The memo's text as the column receives it: each line followed by
    // CR LF; "" for an empty memo.
    std::string FieldText() const;
    // Loads the column of the current row again.
    void LoadFromField();
    // What leaving the memo does: write the text (when modified and the
    // dataset edits), then OnExit.
    void DoExit();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void UserChanged();
    void WriteToField();
    void UpdateReadOnly();
    QString MemoText() const;
    void ShowText(const QString& text);

    std::unique_ptr<varnel::db::TIB_FieldDataLink> link_;
    std::unique_ptr<TIB_AutoLabel> autoLabel_;
    bool autoSize_ = false;
    int loading_ = 0;
    int writing_ = 0;
    // The memo text that stands for the column's value (as loaded or as
    // last written): an unchanged text is not written.
    QString columnText_;
};

} // namespace varnel::ui
