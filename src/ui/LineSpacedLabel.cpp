#include "LineSpacedLabel.h"

#include "WindowLook.h"

#include <QPainter>
#include <QStyle>

using namespace Qt::StringLiterals;

LineSpacedLabel::LineSpacedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
}

QStringList LineSpacedLabel::lines() const {
    return QString(text()).replace(u"\r\n"_s, u"\n"_s).split(u'\n');
}

int LineSpacedLabel::lineStep() const {
    return qMax(fontMetrics().lineSpacing(), glyphBox(fontMetrics()).height());
}

QSize LineSpacedLabel::sizeHint() const {
    int width = 0;
    for (const QString& line : lines())
        width = qMax(width, fontMetrics().horizontalAdvance(line));
    const QMargins margins = contentsMargins();
    return QSize(width + margins.left() + margins.right(),
                 int(lines().size()) * lineStep() + margins.top() + margins.bottom());
}

QSize LineSpacedLabel::minimumSizeHint() const {
    return sizeHint();
}

void LineSpacedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect();
    const Qt::Alignment horizontal =
        QStyle::visualAlignment(layoutDirection(), alignment()) & Qt::AlignHorizontal_Mask;
    // Each line's box starts where its accents begin, so they stay clear of the line above.
    const int accentRoom = -glyphBox(fontMetrics()).top() - fontMetrics().ascent();
    int top = area.top() + qMax(0, accentRoom);
    for (const QString& line : lines()) {
        const QRect box(area.left(), top, area.width(), fontMetrics().height());
        style()->drawItemText(&painter, box, int(horizontal | Qt::AlignTop), palette(), isEnabled(),
                              line, foregroundRole());
        top += lineStep();
    }
}
