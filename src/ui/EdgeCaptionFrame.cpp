#include "EdgeCaptionFrame.h"

#include <QCheckBox>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <qdrawutil.h>

namespace {

/** Room between the caption and the line on either side. */
constexpr int CaptionGap = 2;

/** What the control shows (a check box's box and text), not all the room it was given. */
QRect shownPart(const QWidget* control) {
    const auto* box = qobject_cast<const QCheckBox*>(control);
    if (!box)
        return QRect(QPoint(), control->sizeHint().boundedTo(control->size()));
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    option.icon = box->icon();
    option.iconSize = box->iconSize();
    const QStyle* style = box->style();
    // The focus frame goes round the text; the caption includes it.
    return style->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box)
        .united(style->subElementRect(QStyle::SE_CheckBoxFocusRect, &option, box));
}

} // namespace

EdgeCaptionFrame::EdgeCaptionFrame(const QString& title, QWidget* parent)
    : QGroupBox(title, parent) {}

void EdgeCaptionFrame::setCaption(int left, int height, QWidget* control) {
    m_captionLeft = left;
    m_captionHeight = height;
    m_captionControl = control;
    update();
}

QRect EdgeCaptionFrame::captionRect() const {
    if (m_captionControl)
        return shownPart(m_captionControl).translated(mapFromParent(m_captionControl->pos()));
    if (title().isEmpty())
        return {};
    return QRect(m_captionLeft, 0, fontMetrics().horizontalAdvance(title()), m_captionHeight);
}

void EdgeCaptionFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect caption = captionRect();
    if (!caption.isEmpty()) {
        QRegion outsideCaption(rect());
        outsideCaption -= caption.adjusted(-CaptionGap, 0, CaptionGap, 0);
        painter.setClipRegion(outsideCaption);
    }
    // An etched line of two pixels whose boundary runs through the caption row's middle.
    const int lineTop = m_captionHeight / 2 - 1;
    qDrawShadeRect(&painter, QRect(0, lineTop, width(), height() - lineTop), palette(), true, 1, 0);
    if (!m_captionControl && !caption.isEmpty()) {
        painter.setClipping(false);
        style()->drawItemText(&painter, caption, Qt::AlignLeft | Qt::AlignVCenter, palette(),
                              isEnabled(), title(), QPalette::WindowText);
    }
}
