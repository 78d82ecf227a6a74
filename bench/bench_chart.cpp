// The detail window's chart: a client with 700 days (one of them huge, some without blocks)
// turned into bars (DayBars, run by every refresh pass of a shown chart) and drawn, at the
// designed width and at a wide window's. Each is run many times; the median and the slowest
// run are reported, as "name: value unit" lines.
//
//   bench_chart [--runs 200] [--strict]
//
// Exit status: 0 done (with --strict: drawing under the 10 ms target), 2 the target missed.

#include "stats/DaySeries.h"
#include "ui/DayChart.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Figures {
    double median = 0;
    double slowest = 0;
};

Figures measure(int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int runs = 200;
    bool strict = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--strict") == 0)
            strict = true;
    }

    constexpr int Days = 700;
    const QDate today(2026, 12, 6);
    DayHistory history;
    QRandomGenerator random(7);
    for (int d = Days - 1; d >= 0; --d) {
        if (d % 29 == 3)
            continue; // a day without blocks
        const QString date = today.addDays(-d).toString(u"MM/dd/yy"_s);
        history.insertOrAssign(
            date, DayEntry{date, d == 400 ? 2000000000 : qint32(random.bounded(5000))});
    }
    const QString todayText = today.toString(u"MM/dd/yy"_s);

    const Figures bars = measure(runs, [&] { (void)DayBars(history, todayText); });
    std::printf("DayBars, %d days: median %.3f ms, slowest %.3f ms\n", Days, bars.median,
                bars.slowest);
    bool missed = false;
    for (const int width : {236, 1200}) { // the designed detail window's list, a wide window
        DayChart chart;
        chart.resize(width, 120);
        chart.setBars(DayBars(history, todayText));
        QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
        const Figures draw = measure(runs, [&] { chart.render(&image); });
        std::printf("chart drawing, %d days at %d x 120 px: median %.3f ms, slowest %.3f ms "
                    "(target 10 ms)\n",
                    Days, width, draw.median, draw.slowest);
        missed = missed || draw.median >= 10;
    }
    return strict && missed ? 2 : 0;
}
