#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

class ClientTable;

/**
 * Which clients have gone quiet: clients that were returning blocks and have stopped. All of
 * it is measured in log time, the time of the latest log line against the time of a client's
 * last block, so that reading a backlog, where both move on together, raises nothing. A
 * client goes quiet when its silence grows past the threshold while its last block lies within
 * a day before that (a machine retired long ago is no news); it stays quiet until it returns
 * a block. The owner looks only when a processing run has read the log to its end, never in
 * the middle of one.
 */
class QuietClients {
public:
    /** Hours of silence before a client counts as quiet, unless the user chose otherwise. */
    static constexpr qint32 DefaultHours = 6;

    /**
     * Looks at every client of table (keys: project code and client name; "<All-clients>" is
     * left out) once the log has been read up to the line of lastDate and lastTime.
     * logClockNow is the computer's clock moved to the log's time zone: a log whose latest line
     * is more than a day older than that is not being written now (an old log opened to be
     * read, a proxy that stopped), and no client of it goes quiet. thresholdHours 0 or less
     * turns the watch off and forgets every quiet client. Returns the keys that went quiet with
     * this look, each once per silence, in the table's order.
     */
    QStringList update(const ClientTable& table, const QString& lastDate, const QString& lastTime,
                       const QDateTime& logClockNow, qint32 thresholdHours);

    bool isQuiet(const QString& key) const { return m_quiet.contains(key); }
    const QSet<QString>& quietKeys() const { return m_quiet; }

private:
    QSet<QString> m_quiet;
};
