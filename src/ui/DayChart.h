#pragma once

#include "stats/DaySeries.h"

#include <QFrame>
#include <QList>

/**
 * A bar chart of a client's blocks per day, drawn with QPainter: one bar per day, the oldest
 * at the left, today's bar in a colour of its own with a mark under the axis, the highest
 * count at the top left and the first and last date under the axis. Where there are more days
 * than pixels, days share a pixel column and the higher bar shows. Hovering over a bar tells
 * its date and count.
 */
class DayChart : public QFrame {
    Q_OBJECT
public:
    explicit DayChart(QWidget* parent = nullptr);

    /** Shows bars; repaints only when they differ from those shown. */
    void setBars(const QList<DayBar>& bars);
    const QList<DayBar>& bars() const { return m_bars; }

    /** Where the bars stand: inside the frame, below the top label, above the date labels. */
    QRect plotRect() const;
    /** The pixel columns of bar index within plotRect(): left edge and width (at least 1). */
    std::pair<int, int> barColumns(qsizetype index) const;

    static QColor barColour();
    static QColor todayColour();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QList<DayBar> m_bars;
};
