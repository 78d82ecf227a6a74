#pragma once

#include "common/ErrorReport.h"

#include <QString>

#include <optional>

class QWidget;

/**
 * The program's modal boxes, its file dialogs and what it hands to the desktop, in one place,
 * so that tests can script them. Every box is titled "Quillmere Log Analyzer" and, like the
 * file dialogs, uses the desktop's own font.
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
    /** The file-save dialog of Export list, starting at suggested; nothing when cancelled. */
    virtual std::optional<QString> chooseExportFile(QWidget* parent, const QString& suggested) = 0;
    /** A box with an information icon that does not wait: the program goes on counting. */
    virtual void inform(QWidget* parent, const QString& text) = 0;
    /** Opens a file in the desktop's application for it; false when none could be started. */
    virtual bool openWithDesktop(const QString& path) = 0;
};

/** The real boxes: QMessageBox and QFileDialog. */
class MessageBoxDialogs : public IUserDialogs {
public:
    void warn(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text, bool questionIcon) override;
    std::optional<QString> chooseLogFile(QWidget* parent, const QString& preset) override;
    std::optional<QString> chooseExportFile(QWidget* parent, const QString& suggested) override;
    void inform(QWidget* parent, const QString& text) override;
    bool openWithDesktop(const QString& path) override;
};

/**
 * The real error report: a modal box with a critical icon and the buttons Abort (the default),
 * Retry and Ignore, in that order. Escape and the close command leave it open.
 */
class MessageBoxErrorReport : public IErrorReport {
public:
    ErrorAnswer ask(const RunTimeError& error, const QString& place) override;
};
