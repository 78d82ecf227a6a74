// The preferences and the names dialog: their looks, filling, the lost-focus corrections, the
// enabling by "Web stats", OK with its conversions and error report, Cancel, and the names file
// in the box byte for byte.
#include "support/Gui.h"

#include "naming/ClientNames.h"
#include "persistence/Settings.h"
#include "ui/frmNames.h"
#include "ui/frmPreferences.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ErrorAnswer)

namespace {

QSettings store() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, u"Quillmere Log Analyzer"_s);
}

/** The texts stored under the keys of "Common", "-" for none. */
QString stored(const QString& keys) {
    QStringList texts;
    for (const QString& key : keys.split(u','))
        texts << store().value(u"Common/"_s + key, u"-"_s).toString();
    return texts.join(u' ');
}

QString describe(const Preferences& p) {
    return u"%1 %2 %3 %4 %5 %6 [%7] [%8] [%9] [%10]"_s.arg(p.TimeZone)
        .arg(p.RefreshRate)
        .arg(int(p.ResolveClients))
        .arg(int(p.WebStats))
        .arg(p.WebRefreshRate)
        .arg(int(p.WebLocal))
        .arg(p.WebFolder, p.WebFTPServer, p.WebFTPUser, p.WebFTPPass);
}

/** The preferences dialog over preferences as a first start reads them, shown and active. */
struct Prefs {
    ScriptedErrorReport report;
    ErrorReporter reporter{report};
    Preferences preferences{-2,   5,         true,         false,     30,
                            true, u"/srv"_s, u"ftp.net"_s, u"keys"_s, u"s3cret"_s};
    std::optional<frmPreferences> dialog;
    frmPreferences& open(bool show = true) {
        dialog.emplace(preferences, reporter);
        if (show) {
            dialog->show();
            dialog->activateWindow();
            if (!QTest::qWaitForWindowActive(&*dialog))
                QTest::qFail("the dialog did not become active", __FILE__, __LINE__);
        }
        return *dialog;
    }
    QLineEdit* box(const QString& name) { return dialog->findChild<QLineEdit*>(name); }
    void click(const QString& name) {
        QTest::mouseClick(dialog->findChild<QAbstractButton*>(name), Qt::LeftButton);
    }
    /** Types text into a box, replacing what was there. */
    void type(const QString& name, const QString& text) {
        box(name)->setFocus(Qt::TabFocusReason);
        box(name)->selectAll();
        QTest::keyClick(box(name), Qt::Key_Backspace);
        QTest::keyClicks(box(name), text);
    }
};

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QSettings settings = store();
        settings.clear();
        settings.sync();
        emptyFolder(m_dir.path());
        m_path = m_dir.filePath(u"names.nam"_s);
    }

    void preferencesLook() {
        Prefs p;
        frmPreferences& dialog = p.open();
        QCOMPARE(look(&dialog), u"Preferences|Tahoma 7.8|modal|fixed"_s);
        QVERIFY(!(dialog.windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(dialog.size(), QSize(Twips::toPixelsX(5304), Twips::toPixelsY(5088)));
        QCOMPARE(dialog.findChild<QWidget*>(u"cmdOk"_s)->geometry(),
                 Twips::toPixels(QRectF(2856, 4620, 1104, 348)));
        QVERIFY((dialog.geometry().center() - dialog.screen()->availableGeometry().center())
                    .manhattanLength() < 40);
        QCOMPARE(
            captions(&dialog),
            u"Frame1:General Label1:Time zone: txtTimeZone Label2:Refresh rate: txtRefresh "
            u"Label3:sec "
            "chkAlways:On startup load previous file chkResolve:Resolve client addresses fraWeb "
            "Label4:Refresh rate: txtWebRefresh Label7:sec optFolder:Folder location txtFolder "
            "optFtp:FTP Server "
            "txtFtpServer Label5:User name: txtUser Label6:Password: txtPass chkWeb:Web stats "
            "cmdOk:OK "
            "cmdCancel:Cancel"_s);
        QCOMPARE(layoutFaults(&dialog, {u"fraWeb+chkWeb"_s}), QString());
        QStringList chain; // the tab order starts on OK, the default button
        for (QWidget* w = dialog.focusWidget(); chain.size() < 14; w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus)
                chain << w->objectName();
        QCOMPARE(chain.join(u' '),
                 u"cmdOk cmdCancel chkResolve txtRefresh chkAlways txtTimeZone chkWeb txtFolder "
                 "optFolder txtUser optFtp txtWebRefresh txtPass txtFtpServer"_s);
        QVERIFY(static_cast<QPushButton*>(dialog.focusWidget())->isDefault());
        QCOMPARE(p.box(u"txtPass"_s)->displayText(), u"******"_s);
        QCOMPARE(p.box(u"txtPass"_s)->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter),
                 int(u'*'));
    }

    void filling_data() {
        QTest::addColumn<QString>("alwaysLoad"); // stored; "-": absent
        QTest::addColumn<QList<ErrorAnswer>>("answers");
        QTest::addColumn<QString>(
            "shown"); // the state of chkAlways, the errors reported, txtFolder
        QTest::addRow("absent") << u"-"_s << QList<ErrorAnswer>() << u"0 [] /srv"_s;
        QTest::addRow("1") << u"1"_s << QList<ErrorAnswer>() << u"2 [] /srv"_s;
        QTest::addRow("2 is grey") << u"2"_s << QList<ErrorAnswer>() << u"1 [] /srv"_s;
        QTest::addRow("0.6 is 1") << u"0.6"_s << QList<ErrorAnswer>() << u"2 [] /srv"_s;
        QTest::addRow("word, Ignore")
            << u"always"_s << QList{ErrorAnswer::Ignore} << u"0 [13] /srv"_s;
        QTest::addRow("word, Abort: the rest empty")
            << u"always"_s << QList{ErrorAnswer::Abort} << u"0 [13] "_s;
        QTest::addRow("7, Retry, Ignore")
            << u"7"_s << QList{ErrorAnswer::Retry, ErrorAnswer::Ignore} << u"0 [380 380] /srv"_s;
    }
    void filling() {
        QFETCH(QString, alwaysLoad);
        QFETCH(QList<ErrorAnswer>, answers);
        QFETCH(QString, shown);
        if (alwaysLoad != u"-"_s)
            store().setValue(u"Common/AlwaysLoad"_s, alwaysLoad);
        Prefs p;
        p.report.answers = answers;
        p.preferences = {3, 12, false, true, 0, false, u"/srv"_s, u"ftp"_s, u"u"_s, u"pw"_s};
        frmPreferences& dialog = p.open(false);
        QString errors;
        for (int number : p.report.numbers)
            errors += (errors.isEmpty() ? u""_s : u" "_s) + QString::number(number);
        QCOMPARE(
            u"%1 [%2] %3"_s.arg(int(dialog.findChild<QCheckBox*>(u"chkAlways"_s)->checkState()))
                .arg(errors, p.box(u"txtFolder"_s)->text()),
            shown);
        QCOMPARE(p.report.places,
                 QStringList(p.report.places.size(), u"frmPreferences:Form_Load"_s));
        if (answers == QList{ErrorAnswer::Abort})
            return;
        QString state = p.box(u"txtTimeZone"_s)->text() + u' ' + p.box(u"txtRefresh"_s)->text();
        for (const char* name : {"chkResolve", "chkWeb", "optFolder", "optFtp"})
            state += u' ' +
                     QString::number(
                         dialog.findChild<QAbstractButton*>(QLatin1StringView(name))->isChecked());
        for (const char* name : {"txtWebRefresh", "txtFtpServer", "txtUser", "txtPass"})
            state += u' ' + p.box(QLatin1StringView(name))->text();
        QCOMPARE(state, u"3 12 0 1 0 1 0 ftp u pw"_s);
        QVERIFY(!p.box(u"txtFolder"_s)->isEnabled() &&
                p.box(u"txtFtpServer"_s)->isEnabled()); // enabled as they are
    }

    void lostFocusCorrections() {
        const QString cases =
            uR"(txtRefresh: 0=1 -5=1 often=1 =1 3.7=4 2.5=2 0.6=1 _007_=7 2147483648=1 2147483647=2147483647
                                  txtTimeZone: -3=-3 1.5=2 -2.5=-2 __04=4 UTC=UTC =)"_s;
        Prefs p;
        p.open();
        for (const QString& line : cases.split(u'\n')) {
            const QString name = line.trimmed().section(u':', 0, 0);
            for (QString correction : line.section(u": "_s, 1).split(u' ')) {
                correction.replace(u'_', u' ');
                const QString typed = correction.section(u'=', 0, 0),
                              corrected = correction.section(u'=', 1);
                p.type(name, typed);
                QTest::keyClick(p.box(name),
                                Qt::Key_Tab); // leaving by Tab, or by a click elsewhere
                QCOMPARE(p.box(name)->text(), corrected);
                p.type(name, typed);
                p.click(u"chkWeb"_s);
                QTRY_COMPARE(p.box(name)->text(), corrected);
                p.box(name)->setText(typed); // another window taking the focus is no lost focus
                QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
                QCoreApplication::sendEvent(p.box(name), &away);
                QCOMPARE(p.box(name)->text(), typed);
            }
        }
    }

    void enabling_data() {
        QTest::addColumn<bool>("web");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("disabled"); // the rest is enabled
        const QString all =
            u"Label4 txtWebRefresh optFolder txtFolder optFtp txtFtpServer Label5 txtUser Label6 txtPass"_s;
        QTest::addRow("off, folder") << false << true << all;
        QTest::addRow("off, FTP") << false << false << all;
        QTest::addRow("on, folder") << true << true << u"txtFtpServer txtUser txtPass"_s;
        QTest::addRow("on, FTP") << true << false << u"txtFolder"_s;
    }
    void enabling() {
        QFETCH(bool, web);
        QFETCH(bool, folder);
        QFETCH(QString, disabled);
        QVERIFY(frmPreferences::windowBackground() != frmPreferences::buttonFace());
        Prefs p;
        frmPreferences& dialog = p.open(); // web off, folder
        if (web)
            p.click(u"chkWeb"_s);
        if (!folder) // disabled with web stats off: set by code
            web ? p.click(u"optFtp"_s)
                : dialog.findChild<QRadioButton*>(u"optFtp"_s)->setChecked(true);
        QStringList off;
        for (const QWidget* control : dialog.findChildren<QWidget*>()) {
            if (!control->objectName().isEmpty() && !control->isEnabled())
                off << control->objectName();
            if (control->property("Tag").toString().contains(u'B')) // grey exactly when unusable
                QCOMPARE(control->palette().color(QPalette::Base),
                         control->isEnabled() ? frmPreferences::windowBackground()
                                              : frmPreferences::buttonFace());
        }
        QCOMPARE(off.join(u' '), disabled);
    }

    void okTakesOverAndSaves() {
        Prefs p;
        frmPreferences& dialog = p.open();
        p.type(u"txtTimeZone"_s, u"-3"_s);
        p.type(u"txtRefresh"_s, u"3.7"_s); // corrected to 4 when left
        for (const QString& name : {u"chkAlways"_s, u"chkResolve"_s, u"chkWeb"_s, u"optFtp"_s})
            p.click(name);
        for (const auto& [name, text] : {std::pair(u"txtWebRefresh"_s, u"0"_s),
                                         {u"txtFtpServer"_s, u"ftp.org"_s},
                                         {u"txtUser"_s, u"user name"_s},
                                         {u"txtPass"_s, u"p@ss w0rd"_s}})
            p.type(name, text);
        p.click(u"cmdOk"_s);
        QVERIFY(dialog.result() == QDialog::Accepted && !dialog.isVisible() &&
                p.report.places.isEmpty());
        QCOMPARE(describe(p.preferences),
                 u"-3 4 0 1 0 0 [/srv] [ftp.org] [user name] [p@ss w0rd]"_s);
        QCOMPARE(stored(u"Time Zone,Refresh "
                        u"Rate,AlwaysLoad,ResolveClients,WebStats,WebRefreshRate,WebLocal,"
                        "WebFolder,WebFTPServer,WebFTPUser,WebFTPPass"_s),
                 u"-3 4 1 0 1 0 0 /srv ftp.org user name p@ss w0rd"_s);
        frmPreferences again(p.preferences, p.reporter); // shows what was saved
        QVERIFY(again.findChild<QCheckBox*>(u"chkAlways"_s)->isChecked());
        QVERIFY(again.findChild<QRadioButton*>(u"optFtp"_s)->isChecked());
    }

    void enterAndCancel_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>(
            "result"); // the refresh rate, web stats and resolving taken, and what is stored
        QTest::addRow("Enter in the box: taken as typed") << u"enter txtRefresh"_s << u"0 11 0 0"_s;
        QTest::addRow("Enter on a check box") << u"enter chkResolve"_s << u"1 11 1 0"_s;
        QTest::addRow("Enter on Cancel") << u"enter cmdCancel"_s << u"5 01 - -"_s;
        QTest::addRow("Escape") << u"escape txtTimeZone"_s << u"5 01 - -"_s;
        QTest::addRow("close box") << u"close"_s << u"5 01 - -"_s;
    }
    void enterAndCancel() {
        QFETCH(QString, how);
        QFETCH(QString, result);
        Prefs p;
        frmPreferences& dialog = p.open();
        p.click(u"chkWeb"_s);
        p.type(u"txtRefresh"_s, u"0"_s);
        if (how == u"close"_s) {
            QVERIFY(dialog.close());
        } else {
            QWidget* target = dialog.findChild<QWidget*>(how.section(u' ', 1));
            target->setFocus(Qt::TabFocusReason);
            QTest::keyClick(target, how.startsWith(u"enter"_s) ? Qt::Key_Return : Qt::Key_Escape);
        }
        QVERIFY(!dialog.isVisible());
        QCOMPARE(u"%1 %2%3 "_s.arg(p.preferences.RefreshRate)
                         .arg(int(p.preferences.WebStats))
                         .arg(int(p.preferences.ResolveClients)) +
                     stored(u"Refresh Rate,AlwaysLoad"_s),
                 result);
    }

    void okReportsWhatDoesNotConvert_data() {
        QTest::addColumn<QList<ErrorAnswer>>("answers");
        QTest::addRow("Abort") << QList{ErrorAnswer::Abort};
        QTest::addRow("Ignore") << QList{ErrorAnswer::Ignore};
        QTest::addRow("Retry, Abort") << QList{ErrorAnswer::Retry, ErrorAnswer::Abort};
    }
    void okReportsWhatDoesNotConvert() {
        QFETCH(QList<ErrorAnswer>, answers);
        const bool ignore = answers.last() == ErrorAnswer::Ignore;
        Prefs p;
        frmPreferences& dialog = p.open();
        p.report.answers = answers;
        p.type(u"txtTimeZone"_s, u"CET"_s);
        p.type(u"txtRefresh"_s, u"9"_s);
        p.click(u"chkResolve"_s);
        p.click(u"cmdOk"_s);
        QCOMPARE(p.report.texts,
                 QStringList(answers.size(),
                             u"Error: 0xD\r\n\r\nfrmPreferences:cmdOK_Click\r\nType mismatch"_s));
        // Ignore skips the zone and saves the rest; Abort leaves with nothing taken or saved.
        QCOMPARE(dialog.isVisible(), !ignore);
        QCOMPARE(describe(p.preferences).left(8) + stored(u"Time Zone,Refresh Rate"_s),
                 ignore ? u"-2 9 0 0-2 9"_s : u"-2 5 1 0- -"_s);
        if (ignore)
            return;
        p.type(u"txtTimeZone"_s, u"1"_s); // mended, OK again; Abort at a later step: the steps
        p.click(u"chkWeb"_s);             // before it taken, nothing saved
        p.type(u"txtWebRefresh"_s, u"soon"_s);
        p.click(u"cmdOk"_s);
        QCOMPARE(describe(p.preferences).left(8) + stored(u"Time Zone"_s), u"1 9 0 1 -"_s);
        QVERIFY(dialog.isVisible());
        QFile::remove(store().fileName()); // a folder where the store goes: it cannot be written
        QVERIFY(QDir().mkpath(store().fileName()));
        p.type(u"txtWebRefresh"_s, u"10"_s);
        p.report.answers = {ErrorAnswer::Ignore};
        p.click(u"cmdOk"_s);
        QVERIFY(p.report.numbers.last() == ErrorNumber::PathFileAccess &&
                !dialog.isVisible()); // values kept
        QVERIFY(QDir(store().fileName()).removeRecursively());
    }

    void namesLook() {
        QMainWindow owner;
        owner.setGeometry(20, 20, 400, 300);
        owner.show();
        QPointer<frmNames> dialog = new frmNames(m_path, {}, &owner);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QCOMPARE(look(dialog), u"Names|Tahoma 7.8|fixed"_s);
        QCOMPARE(dialog->size(), QSize(Twips::toPixelsX(5544), Twips::toPixelsY(3720)));
        QCOMPARE(dialog->txtNames()->geometry(), Twips::toPixels(QRectF(168, 1092, 5220, 2448)));
        QVERIFY(dialog->parentWidget() == &owner && owner.isEnabled() &&
                !QApplication::activeModalWidget());
        QVERIFY(!(dialog->windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(captions(dialog),
                 u"labInfo:Enter computer names mappings\ne.g.\n192.168.0.10 OFFICEPC cmdOK:OK "
                 "cmdCancel:Cancel txtNames labReadError"_s);
        QCOMPARE(inkBands(dialog->labInfo()), 3); // three lines that do not touch
        QCOMPARE(layoutFaults(dialog), QString());
        QVERIFY(dialog->txtNames()->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn);
        QVERIFY(!dialog->cmdOK()->autoDefault() && !dialog->cmdCancel()->autoDefault());
        const QPoint offset =
            dialog->frameGeometry().center() - owner.screen()->availableGeometry().center();
        QVERIFY(offset.manhattanLength() <= 16); // on the screen's middle, not the owner's
        for (const char* next : {"cmdCancel", "txtNames", "cmdOK"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1StringView(next));
        }
        dialog->txtNames()->setFocus(); // Enter makes a new line; nothing written before OK
        QTest::keyClicks(dialog->txtNames(), u"10.0.0.1 A"_s);
        QTest::keyClick(dialog->txtNames(), Qt::Key_Return);
        QTest::keyClicks(dialog->txtNames(), u"10.0.0.2 B"_s);
        QTest::keyClick(dialog->txtNames(), Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(dialog->isVisible() && !QFile::exists(m_path));
        QTest::mouseClick(dialog->cmdOK(), Qt::LeftButton);
        QCOMPARE(readFile(m_path), QByteArray("10.0.0.1 A\r\n10.0.0.2 B\r\n"));
        QTRY_VERIFY(dialog.isNull()); // deletes itself once closed
    }

    void namesFileInTheBox() {
        const QByteArray files[] = {
            "",
            "\xEF\xBB\xBF"
            "10.0.0.1 A\r\n",
            "  10.0.0.1  a  b \r\n\r\nnote\r\n10.0.0.2\tT\r\n10.0.0.3 lone\nlf\r\n10.0.0.4 "
            "lone\rcr\r\n\r\r\n\n\r\nZo\xC3\xAB \xC2\xA0 \xE2\x80\xA8 \xF0\x9F\x98\x80",
            "10.0.0.1 Zo\xEB"}; // Latin-1: saved as UTF-8
        for (const QByteArray& bytes : files) {
            QVERIFY(writeFile(m_path, bytes));
            QByteArray seenByReload;
            QPointer<frmNames> dialog = new frmNames(
                m_path, [&] { seenByReload = readFile(m_path); }, nullptr);
            QVERIFY(dialog->canSave());
            dialog->cmdOK_Click(); // writes the file as it was, then reloads
            QCOMPARE(readFile(m_path),
                     bytes == files[3] ? QByteArray("10.0.0.1 Zo\xC3\xAB") : bytes);
            QCOMPARE(seenByReload, readFile(m_path));
            QTRY_VERIFY(dialog.isNull());
        }
    }

    void namesCancelAndFailures() {
        ClientNames names(std::make_unique<FakeHostLookup>());
        names.setResolveClients(true);
        int reloads = 0;
        const auto open = [&] {
            auto* dialog = new frmNames(
                m_path,
                [&] {
                    ++reloads;
                    names.LoadNames(m_path);
                },
                nullptr);
            dialog->show();
            return QPointer<frmNames>(dialog);
        };
        QVERIFY(writeFile(m_path, QByteArray(2000, 'x')));
        for (int how = 0; how < 3; ++how) { // Cancel, Escape, the close box: nothing written
            QPointer<frmNames> dialog = open();
            dialog->setNamesText(u"10.0.0.1 X"_s);
            how == 0   ? QTest::mouseClick(dialog->cmdCancel(), Qt::LeftButton)
            : how == 1 ? QTest::keyClick(dialog->txtNames(), Qt::Key_Escape)
                       : void(dialog->close());
            QTRY_VERIFY(dialog.isNull());
        }
        QCOMPARE(readFile(m_path), QByteArray(2000, 'x'));
        QPointer<frmNames> dialog = open(); // a shorter text leaves no trace; the names apply
        dialog->setNamesText(u"10.0.0.1 OMEGA"_s);
        dialog->cmdOK_Click();
        QVERIFY(readFile(m_path) == "10.0.0.1 OMEGA" && names.Resolve(u"10.0.0.1"_s) == u"OMEGA"_s);
        dialog = open(); // a full disk half-way: the previous file stays
        dialog->setNamesText(QString(4000, u'n'));
        {
            const ScopedFileSizeLimit full(1000);
            QVERIFY(full.isActive());
            dialog->cmdOK_Click();
        }
        QCOMPARE(readFile(m_path), QByteArray("10.0.0.1 OMEGA"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"names.nam"_s});
        QVERIFY(QFile::remove(m_path) && QDir().mkpath(m_path)); // unreadable: never overwritten
        dialog = open();
        QVERIFY(!dialog->canSave() && dialog->labReadError()->isVisible() &&
                !dialog->cmdOK()->isEnabled() && dialog->txtNames()->isReadOnly());
        QVERIFY(dialog->labReadError()->text().contains(u"cannot be read"_s));
        dialog->cmdOK_Click();
        QVERIFY(QFileInfo(m_path).isDir() && dialog->isVisible() && reloads == 2);
        dialog->close();
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
