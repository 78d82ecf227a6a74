#pragma once

#include <QDialog>

class QSpinBox;

/**
 * The small dialog of Edit, Quiet-client alert: after how many hours without a block a client
 * that was counting is reported as gone quiet; 0 turns the alert off. It only edits the
 * number; the caller saves it.
 */
class QuietAlertDialog : public QDialog {
    Q_OBJECT
public:
    /** Longest threshold offered: a year. */
    static constexpr int MaxHours = 8760;

    explicit QuietAlertDialog(int hours, QWidget* parent = nullptr);
    int hours() const;
    QSpinBox* hoursBox() const { return m_hours; }

private:
    QSpinBox* m_hours = nullptr;
};
