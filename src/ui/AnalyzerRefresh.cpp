// The one-second refresh pass of the main window: the processing schedule, the status bar,
// the information panel and the rows of the selected project.
#include "Analyzer.h"

#include "ClientListRefresh.h"
#include "CompactPath.h"
#include "ReportFromList.h"
#include "SortedList.h"
#include "Twips.h"
#include "frmHidden.h"
#include "frmMain.h"

#include "common/Clock.h"
#include "common/modGlobals.h"
#include "stats/RefreshTexts.h"

#include <QFontMetrics>
#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

void setLabel(QLabel* label, const QString& text) {
    if (label->text() != text)
        label->setText(text);
}

} // namespace

void Analyzer::Timer1_Timer() {
    if (m_session.IsClosing || !m_window)
        return;
    // Under an open error report the tick waits: no second box is stacked on the first.
    if (m_reporter.isOpen())
        return;
    if (m_window->isMinimized()) {
        // The tray is the way back to a hidden window; without one the window stays in the taskbar.
        if (m_hidden && m_hidden->trayAvailable())
            m_window->hide();
        return;
    }

    const QString place = u"frmMain:Timer1_Timer"_s;
    if (!m_session.IsProcessing()) {
        if (++m_refreshTickCount >= m_preferences.RefreshRate) {
            m_refreshTickCount = 0;
            Process();
            if (m_session.IsClosing || !m_window)
                return;
        }
    }
    const QString project = m_window->currentTab() == 1 ? Project::OGR : Project::RC5;
    if (!m_reporter.runStep(place, [&] { setLabel(m_window->statusPanel(1), MakeStatusText()); }))
        return;
    const QTime now = m_env.clock->now().time();
    setLabel(m_window->statusPanel(2),
             u" "_s +
                 RefreshTexts::clockText(now, m_preferences.TimeZone, m_session.LastTime,
                                         m_refreshTickCount) +
                 u" "_s);
    setLabel(m_window->statusPanel(3), u" "_s + m_session.LastDate + u" "_s);
    refreshStatusAndLabels(project);
    refreshList(project);
    markQuietRows(project);
    // A report that cannot be written is skipped; the schedule goes on.
    m_reportSchedule.pass(m_preferences,
                          [this](const QString& folder) { GenerateHTML(*m_window, folder); });
}

void Analyzer::refreshStatusAndLabels(const QString& project) {
    const ProjectTotals& t = m_statistics.totals;
    const bool rc5 = project == Project::RC5;
    setLabel(m_window->labInBuf(), rc5 ? t.LabInBufRC5 : t.LabInBufOGR);
    setLabel(m_window->labOutBuf(), rc5 ? t.LabOutBufRC5 : t.LabOutBufOGR);
    setLabel(m_window->labClients(), QString::number(rc5 ? t.ClientsTotalRC5 : t.ClientsTotalOGR));
    setLabel(m_window->labUplink(), QString::number(rc5 ? t.UplinkTotalRC5 : t.UplinkTotalOGR));
}

void Analyzer::refreshList(const QString& project) {
    // Errors from here on skip the failing record and go on: no message.
    const QString today = GetCurrentDate(*m_env.clock);
    const qint64 seconds =
        RefreshTexts::shiftedSeconds(m_env.clock->now().time(), m_preferences.TimeZone);
    if (m_listRefresh.refresh(*m_window->lvRC5(), m_statistics.clients, m_names, project, today,
                              seconds))
        m_window->resortList();
}

QString Analyzer::MakeStatusText() const {
    return passErrors(u"frmMain:MakeStatusText"_s, PlaceSeparator::LineBreak, [&] {
        const QString line = QString::number(m_session.CurrentLine);
        const QFontMetrics metrics(m_window->font());
        const int suffixWidth = metrics.horizontalAdvance(u" ("_s + line + u")  "_s);
        const int available = m_window->statusPanel(1)->width() - suffixWidth;
        // Shortening a path lays out its text: done again only when the path or the room changes.
        if (m_shortPath.path != m_session.FileName || m_shortPath.width != available) {
            m_shortPath.path = m_session.FileName;
            m_shortPath.width = available;
            m_shortPath.text = available > 0 ? compactPath(m_session.FileName, metrics, available)
                                             : m_session.FileName;
        }
        return m_shortPath.text + u" ("_s + line + u")"_s;
    });
}
