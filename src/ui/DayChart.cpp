#include "DayChart.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

DayChart::DayChart(QWidget* parent) : QFrame(parent) {
    setObjectName(u"chartDays"_s);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setAccessibleName(u"Blocks per day"_s);
}

QColor DayChart::barColour() {
    return QColor(0x1f, 0x6f, 0xd6); // the blue of the program's icon
}

QColor DayChart::todayColour() {
    return QColor(0xe6, 0x85, 0x1e); // the icon's orange
}

void DayChart::setBars(const QList<DayBar>& bars) {
    if (bars == m_bars)
        return;
    m_bars = bars;
    update();
}

QRect DayChart::plotRect() const {
    const int line = fontMetrics().height();
    const QRect inside = contentsRect().adjusted(4, 2, -4, -2);
    // The top label above, a gap, the axis and today's mark, then the date labels below.
    return inside.adjusted(0, line + 2, 0, -(line + 6));
}

std::pair<int, int> DayChart::barColumns(qsizetype index) const {
    const QRect plot = plotRect();
    const qsizetype n = std::max<qsizetype>(1, m_bars.size());
    const int left = plot.left() + int(index * plot.width() / n);
    const int right = plot.left() + int((index + 1) * plot.width() / n);
    const int width = right - left;
    // Bars wide enough get a pixel of space between them.
    return {left, std::max(1, width >= 4 ? width - 1 : width)};
}

void DayChart::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect plot = plotRect();
    painter.setPen(palette().color(QPalette::Text));
    if (m_bars.isEmpty() || plot.height() < 1 || plot.width() < 1) {
        painter.drawText(contentsRect(), Qt::AlignCenter, u"No blocks counted yet"_s);
        return;
    }

    qint64 highest = 1;
    for (const DayBar& bar : m_bars)
        highest = std::max(highest, bar.blocks);
    for (qsizetype i = 0; i < m_bars.size(); ++i) {
        const DayBar& bar = m_bars.at(i);
        const auto [left, width] = barColumns(i);
        const QColor colour = bar.today ? todayColour() : barColour();
        if (bar.blocks > 0) {
            const double share = double(bar.blocks) / double(highest);
            const int height = std::max(1, int(std::lround(share * plot.height())));
            painter.fillRect(left, plot.bottom() + 1 - height, width, height, colour);
        }
        if (bar.today) // today's mark, under the axis: also where today has no blocks yet
            painter.fillRect(left, plot.bottom() + 3, std::max(width, 3), 3, colour);
    }
    painter.fillRect(plot.left(), plot.bottom() + 1, plot.width(), 1,
                     palette().color(QPalette::Text));

    const int line = fontMetrics().height();
    const QRect top(plot.left(), plot.top() - line - 2, plot.width(), line);
    painter.drawText(top, Qt::AlignLeft | Qt::AlignVCenter, QString::number(highest));
    const QRect bottom(plot.left(), plot.bottom() + 7, plot.width(), line);
    painter.drawText(bottom, Qt::AlignLeft | Qt::AlignVCenter, m_bars.constFirst().date);
    if (m_bars.size() > 1)
        painter.drawText(bottom, Qt::AlignRight | Qt::AlignVCenter, m_bars.constLast().date);
}

bool DayChart::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QFrame::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QRect plot = plotRect();
    const int x = help->pos().x();
    if (m_bars.isEmpty() || x < plot.left() || x > plot.right()) {
        QToolTip::hideText();
        return true;
    }
    const qsizetype index = std::min<qsizetype>(
        m_bars.size() - 1, qsizetype(x - plot.left()) * m_bars.size() / plot.width());
    const DayBar& bar = m_bars.at(index);
    QToolTip::showText(help->globalPos(),
                       u"%1: %2 blocks"_s.arg(bar.date, QString::number(bar.blocks)), this);
    return true;
}
