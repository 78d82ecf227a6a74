#pragma once

#include "common/ErrorReport.h"

#include <QString>

#include <optional>

class QWidget;

/**
 * The program's modal boxes and its file dialog, in one place, so that tests can script them.
 * Every box is titled "Quillmere Log Analyzer".
 */
class IUserDialogs {
public:
    virtual ~IUserDialogs() = default;
    /** A box with an exclamation icon and a single OK button. */
    virtual void warn(QWidget* parent, const QString& text) = 0;
    /** Yes and No; questionIcon false shows no icon. True for Yes. */
    virtual bool askYesNo(QWidget* parent, const QString& text, bool questionIcon) = 0;
    /** The file-open dialog of the Open command; nothing when cancelled. */
    virtual std::optional<QString> chooseLogFile(QWidget* parent, const QString& preset) = 0;
};

/** The real boxes: QMessageBox and QFileDialog. */
class MessageBoxDialogs : public IUserDialogs {
public:
    void warn(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text, bool questionIcon) override;
    std::optional<QString> chooseLogFile(QWidget* parent, const QString& preset) override;
};

/**
 * The real error report: a modal box with a critical icon and the buttons Abort (the default),
 * Retry and Ignore, in that order. Escape and the close command leave it open.
 */
class MessageBoxErrorReport : public IErrorReport {
public:
    ErrorAnswer ask(const RunTimeError& error, const QString& place) override;
};
