#pragma once

#include <QDialog>

class ErrorReporter;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct Preferences;

/**
 * The modal preferences dialog. It is loaded (Form_Load fills it from the preferences in memory
 * and "AlwaysLoad" from the store) when it is made; OK takes the values over into those
 * preferences, saves them to section "Common" and accepts; Cancel, Escape and the close box
 * reject and change nothing. A failing conversion on OK is reported as
 * "frmPreferences:cmdOK_Click": Retry converts again, Ignore keeps the old value and goes on,
 * Abort leaves the dialog open with the values taken so far in memory and nothing saved. So
 * after exec() the preferences may have changed whatever the result: the caller applies
 * ResolveClients to the client names either way.
 *
 * Each control carries its letters in the dynamic property "Tag": E enabled with web stats,
 * B background by web stats, F and U usable with the FTP and the folder option.
 */
class frmPreferences : public QDialog {
    Q_OBJECT
public:
    /** preferences and reporter must outlive the dialog; runs Form_Load. */
    frmPreferences(Preferences& preferences, ErrorReporter& reporter, QWidget* parent = nullptr);
    ~frmPreferences() override;

    /**
     * Fills the controls from the preferences and the stored "AlwaysLoad" (absent: 0), then
     * runs EnableWebControls. Errors are reported as "frmPreferences:Form_Load".
     */
    void Form_Load();
    /** A refresh rate below 1 or not a whole 32-bit number becomes "1", else its plain text. */
    void txtRefresh_LostFocus();
    /** A time zone that is a whole 32-bit number becomes its plain text; other text stays. */
    void txtTimeZone_LostFocus();
    /** Enables and colours the controls by their "Tag" letters, "Web stats" and the options. */
    void EnableWebControls();
    /** Takes the values over, saves them and accepts the dialog. */
    void cmdOK_Click();
    /** Rejects the dialog; nothing is taken over or saved. */
    void cmdCancel_Click();

    /** The background of a usable text box: the system's window (text entry) background. */
    static QColor windowBackground();
    /** The background of an unusable text box: the system's button face. */
    static QColor buttonFace();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();

    Preferences& m_preferences;
    ErrorReporter& m_reporter;

    QLineEdit* m_txtTimeZone = nullptr;
    QLineEdit* m_txtRefresh = nullptr;
    QCheckBox* m_chkAlways = nullptr;
    QCheckBox* m_chkResolve = nullptr;
    QCheckBox* m_chkWeb = nullptr;
    QLineEdit* m_txtWebRefresh = nullptr;
    QRadioButton* m_optFolder = nullptr;
    QRadioButton* m_optFtp = nullptr;
    QLineEdit* m_txtFolder = nullptr;
    QLineEdit* m_txtFtpServer = nullptr;
    QLineEdit* m_txtUser = nullptr;
    QLineEdit* m_txtPass = nullptr;
    QPushButton* m_cmdOk = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
