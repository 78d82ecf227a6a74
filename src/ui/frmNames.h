#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

/**
 * The names dialog: the whole computer-names file in one multi-line text box, written back
 * on OK. Modeless, owned by the main window (no taskbar entry of its own), centred on the
 * main window's screen, fixed size. Enter makes a new line in the text (neither button is the
 * default); Escape is Cancel. The dialog deletes itself when it closes; the next Names command
 * makes a new one, which reads the file afresh.
 *
 * The box holds the file's text exactly: CR LF separates the lines of the box, and a lone CR
 * or LF, which does not end a line of the file, shows as the symbol ␍ or ␊ and is written back
 * as the byte it stands for (so those two symbols themselves cannot be kept in the file).
 *
 * A names file that exists but cannot be read is not overwritten: the dialog says so, the
 * box stays empty and read-only, and OK is disabled.
 */
class frmNames : public QDialog {
    Q_OBJECT
public:
    /**
     * Loads the dialog (Form_Load) for the names file at path. reload runs after OK has
     * written the file, so the new mappings take effect (the program passes LoadNames).
     */
    frmNames(QString path, std::function<void()> reload, QWidget* owner);
    ~frmNames() override;

    QLabel* labInfo() const { return m_labInfo; }
    /** The line that says the file could not be read; hidden otherwise. */
    QLabel* labReadError() const { return m_labReadError; }
    QPushButton* cmdOK() const { return m_cmdOK; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }
    QPlainTextEdit* txtNames() const { return m_txtNames; }
    const QString& path() const { return m_sPath; }

    /** The text of the box as the file will hold it: its lines joined by CR LF. */
    QString namesText() const;
    /** Puts text (as the file holds it) into the box. */
    void setNamesText(const QString& text);
    /** False when the existing file could not be read, so OK must not replace it. */
    bool canSave() const { return m_bCanSave; }

    /**
     * OK: writes the box's text as the whole file (UTF-8, nothing added; the old file is
     * replaced only when the new one is complete), closes the dialog and runs reload. A failed
     * write is not reported and the previous file stays. Does nothing when canSave is false.
     */
    void cmdOK_Click();
    /** Cancel (and Escape): closes the dialog; nothing is written. */
    void cmdCancel_Click();

private:
    void Form_Load();

    QLabel* m_labInfo = nullptr;
    QLabel* m_labReadError = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QPlainTextEdit* m_txtNames = nullptr;
    QString m_sPath;
    std::function<void()> m_reload;
    bool m_bCanSave = true;
};
