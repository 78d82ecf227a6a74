#pragma once

#include <QObject>

class QSocketNotifier;

/**
 * Turns SIGTERM and SIGINT into a Qt signal on the user-interface thread (through a pipe
 * written by the signal handler), so that a service stop or Ctrl+C shuts the program down
 * as Exit does and the statistics are saved.
 */
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void terminationRequested();

private:
    QSocketNotifier* m_notifier = nullptr;
};
