// Clients gone quiet: the watch after every processing run, the alert, the rows' mark and the
// threshold's dialog.
#include "Analyzer.h"

#include "CSysTrayIcon.h"
#include "QuietAlertDialog.h"
#include "UserDialogs.h"
#include "frmHidden.h"
#include "frmMain.h"

#include "common/Clock.h"
#include "common/WholeFile.h"
#include "persistence/QuietSetting.h"

using namespace Qt::StringLiterals;

void Analyzer::checkQuietClients() {
    // In the middle of a run the log's time is the backlog's: only a run's end says "now".
    if (m_session.IsProcessing() || m_session.IsClosing || !m_window)
        return;
    const QDateTime logClock = m_env.clock->now().addSecs(qint64(m_preferences.TimeZone) * 3600);
    const QStringList wentQuiet = m_quiet.update(m_statistics.clients, m_session.LastDate,
                                                 m_session.LastTime, logClock, m_quietHours);
    markQuietRows(currentProject());
    if (!wentQuiet.isEmpty())
        alertQuietClients(wentQuiet);
}

void Analyzer::markQuietRows(const QString& project) {
    QSet<QString> keys = m_quiet.quietKeys();
    keys.unite(m_markedRows);
    for (const QString& key : std::as_const(keys)) {
        if (!key.startsWith(project))
            continue;
        const frmMain::RowId row = m_window->findRow(key.mid(project.size()));
        if (row == SortedList::NoRow)
            continue;
        const ClientRecord* record = m_statistics.clients.find(key);
        const bool quiet = m_quiet.isQuiet(key) && record;
        m_window->markRow(row, quiet, quiet ? u"No blocks since "_s + record->Time : QString());
    }
    m_markedRows = m_quiet.quietKeys();
}

void Analyzer::alertQuietClients(const QStringList& keys) {
    QStringList lines;
    for (const QString& key : keys) {
        const ClientRecord* record = m_statistics.clients.find(key);
        if (!record)
            continue;
        // Names come from the log: one may be long enough to freeze a message box.
        const QString client = shortenedForMessage(key.mid(3));
        const QString shown = shortenedForMessage(m_names.Resolve(key.mid(3)));
        lines << u"%1 has returned no %2 blocks for more than %3 hours (last block %4)."_s.arg(
            shown == client ? client : shown + u" ("_s + client + u')', key.left(3),
            QString::number(m_quietHours), record->Time);
    }
    if (lines.isEmpty())
        return;
    // A notification of the tray; where there is none, a box that does not stop the counting.
    const QString title =
        lines.size() == 1 ? u"A client has gone quiet"_s : u"Clients have gone quiet"_s;
    if (!m_hidden || !m_hidden->trayAvailable() ||
        !m_hidden->sysTray().showMessage(title, lines.join(u'\n')))
        m_env.dialogs->inform(m_window.get(), lines.join(u'\n'));
}

void Analyzer::mnuQuiet_Click() {
    QuietAlertDialog dialog(m_quietHours, m_window.get());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const qint32 hours = dialog.hours();
    if (!m_reporter.runStep(u"frmMain:mnuQuiet_Click"_s, [&] { SaveQuietClientHours(hours); }))
        return;
    m_quietHours = hours;
    checkQuietClients(); // marks follow the new threshold at once
}
