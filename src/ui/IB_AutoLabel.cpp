#include "ui/IB_AutoLabel.h"

#include "ui/IB_Controls.h"

#include <QEvent>
#include <QLabel>
#include <QWidget>

namespace varnel::ui {

TIB_AutoLabel::TIB_AutoLabel(QWidget& control) : control_(control) { control_.installEventFilter(this); }

TIB_AutoLabel::~TIB_AutoLabel()
{
    control_.removeEventFilter(this);
    delete label_.data();
}

void TIB_AutoLabel::SetKind(TIB_AutoLabelKind kind)
{
    if (kind == kind_)
        return;
    kind_ = kind;
    Update();
}

void TIB_AutoLabel::SetCaption(const std::string& caption)
{
    caption_ = caption;
    Update();
}

void TIB_AutoLabel::SetMargin(int pixels)
{
    margin_ = pixels;
    Place();
}

void TIB_AutoLabel::Update()
{
    QWidget* parent = control_.parentWidget();
    if (kind_ == TIB_AutoLabelKind::albNone || !parent) {
        delete label_.data();
        return;
    }
    if (label_ && label_->parentWidget() != parent) {
        delete label_.data();
    }
    if (!label_) {
        label_ = new QLabel(parent);
        label_->setBuddy(&control_);
    }
    label_->setText(Latin1(caption_));
    label_->setAlignment((kind_ == TIB_AutoLabelKind::albTop ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    label_->adjustSize();
    Place();
}

void TIB_AutoLabel::Place()
{
    if (!label_)
        return;
    const QRect g = control_.geometry();
    if (kind_ == TIB_AutoLabelKind::albTop)
        label_->move(g.left() + margin_, g.top() - label_->height());
    else
        label_->move(g.left() - margin_ - label_->width(), g.top());
    label_->setEnabled(control_.isEnabled());
    label_->setHidden(control_.isHidden());
}

bool TIB_AutoLabel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &control_) {
        switch (event->type()) {
        case QEvent::ParentChange: Update(); break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::EnabledChange: Place(); break;
        default: break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace varnel::ui
