#pragma once
// TIB_AutoLabel: the caption label a data-aware control owns (AutoLabel).
// With albTop the label sits directly above the control (its top is the
// control's top minus its height, its left the control's left plus
// Margin), left aligned; with albLeft it sits left of the control (its
// right edge Margin pixels before the control), right aligned; albNone
// removes it. The label is a sibling of the control (a child of the
// control's parent), sized to its text, its buddy the control, and it
// follows the control's position, size, visibility, enabled state and
// parent. Place the control with room for the label: the label is
// positioned by geometry, not by a layout.
//
// The control owns its auto label (and must destroy it before it goes
// itself); the auto label deletes its label when it goes.
#include <QLabel>
#include <QObject>
#include <QPointer>

#include <string>

class QWidget;

namespace varnel::ui {

enum class TIB_AutoLabelKind { albNone, albLeft, albTop };

class TIB_AutoLabel : public QObject {
    Q_OBJECT
public:
    explicit TIB_AutoLabel(QWidget& control);
    ~TIB_AutoLabel() override;

    TIB_AutoLabelKind Kind() const { return kind_; }
    void SetKind(TIB_AutoLabelKind kind);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    // [0] pixels between the control's edge and the label.
    int Margin() const { return margin_; }
    void SetMargin(int pixels);

    // The label; null with albNone or while the control has no parent.
    QLabel* Label() const { return label_.data(); }
    // Puts the label where its kind says.
    void Place();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Update();

    QWidget& control_;
    QPointer<QLabel> label_;
    TIB_AutoLabelKind kind_ = TIB_AutoLabelKind::albNone;
    std::string caption_;
    int margin_ = 0;
};

} // namespace varnel::ui
