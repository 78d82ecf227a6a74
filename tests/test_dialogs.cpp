// The preferences and names dialogs: looks, filling, corrections, enabling, ways out, names file.
#include "support/Gui.h"

#include "ui/EdgeCaptionFrame.h"

#include "naming/ClientNames.h"
#include "persistence/Settings.h"
#include "ui/frmNames.h"
#include "ui/frmPreferences.h"

#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

/** The preferences dialog over some preferences, shown and active. */
struct Prefs {
    ScriptedErrorReport report;
    ErrorReporter reporter{report};
    Preferences preferences{-2,   5,         false,        false,     30,
                            true, u"/srv"_s, u"ftp.net"_s, u"keys"_s, u"s3cret"_s};
    std::optional<frmPreferences> dialog;
    void answer(const QString& letters) { // A(bort), R(etry), I(gnore)
        for (QChar c : letters)
            report.answers << ErrorAnswer(u"ARI"_s.indexOf(c));
    }
    frmPreferences& open(bool show = true) {
        dialog.emplace(preferences, reporter);
        if (show && !activate(*dialog))
            QTest::qFail("the dialog did not become active", __FILE__, __LINE__);
        return *dialog;
    }
    template <typename T = QLineEdit> T* box(const QString& name) {
        return dialog->findChild<T*>(name);
    }
    void click(const QString& name) {
        QTest::mouseClick(box<QAbstractButton>(name), Qt::LeftButton);
    }
    void type(const QString& name, const QString& text) {
        box(name)->setFocus(Qt::TabFocusReason);
        box(name)->selectAll();
        QTest::keyClick(box(name), Qt::Key_Backspace);
        QTest::keyClicks(box(name), text);
    }
    /** The disabled controls; a box whose colour does not say whether it can be used. */
    QString disabled() {
        QStringList off;
        for (const QWidget* c : dialog->findChildren<QWidget*>()) {
            if (!c->objectName().isEmpty() && !c->isEnabled())
                off << c->objectName();
            const QColor grey = frmPreferences::buttonFace(),
                         white = frmPreferences::windowBackground();
            if (c->property("Tag").toString().contains(u'B') &&
                c->palette().color(QPalette::Base) != (c->isEnabled() ? white : grey))
                off << c->objectName() + u" coloured wrong"_s;
        }
        return off.join(u' ');
    }
};

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        clearSettings();
        emptyFolder(m_dir.path());
        m_path = m_dir.filePath(u"names.nam"_s);
    }

    void preferencesLookAndEnabling() {
        Prefs p;
        frmPreferences& dialog = p.open();
        QCOMPARE(look(&dialog), u"Preferences|Tahoma 7.8|modal|fixed"_s);
        QVERIFY(captions(&dialog).contains(
            u"txtRefresh Label3:sec chkAlways:On startup load previous file chkResolve:"_s));
        QCOMPARE(layoutFaults(&dialog, {u"chkWeb+fraWeb"_s}), QString());
        const QImage image = dialog.grab().toImage();
        QList<int> lines; // each frame's top line, below its caption's top: both alike, all below
        for (const QWidget* frame : dialog.findChildren<EdgeCaptionFrame*>()) {
            int x = frame->geometry().right() - 4, line = frame->y();
            for (const QRgb above = image.pixel(x, line - 1); image.pixel(x, line) == above;)
                ++line;
            lines << line - frame->y();
            for (const QWidget* control : frame->findChildren<QWidget*>())
                QVERIFY2(control->y() > lines.last() + 1, qPrintable(control->objectName()));
        }
        QVERIFY(lines.size() == 2 && lines[0] == lines[1] && lines[0] > 2);
        QVERIFY(static_cast<QPushButton*>(dialog.focusWidget())->isDefault());
        QString order; // Tab from OK: Cancel, then the general boxes from the bottom up
        for (int i = 0; i < 4; ++i, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab))
            order += QApplication::focusWidget()->objectName() + u' ';
        QCOMPARE(order, u"cmdOk cmdCancel chkResolve txtRefresh "_s);
        QCOMPARE(p.box(u"txtPass"_s)->displayText(), u"******"_s);
        QVERIFY(frmPreferences::windowBackground() != frmPreferences::buttonFace());
        const QString all = u"Label4 txtWebRefresh optFolder txtFolder optFtp txtFtpServer Label5 "
                            "txtUser Label6 txtPass"_s;
        QCOMPARE(p.disabled(), all);
        p.box<QAbstractButton>(u"optFtp"_s)->setChecked(true); // by code, while disabled
        QCOMPARE(p.disabled(), all);
        p.click(u"chkWeb"_s);
        QCOMPARE(p.disabled(), u"txtFolder"_s);
        p.click(u"optFolder"_s);
        QCOMPARE(p.disabled(), u"txtFtpServer txtUser txtPass"_s);
    }

    void filling() {
        const auto fill = [this](const QStringList& words) { // stored AlwaysLoad, error answers
            init();
            if (words[0] != u"-"_s) // absent
                settingsStore().setValue(u"Common/AlwaysLoad"_s, words[0]);
            Prefs p;
            p.answer(words.value(1));
            p.preferences = {3, 12, false, true, 0, false, u"/srv"_s, u"ftp"_s, u"u"_s, u"pw"_s};
            p.open(false);
            QStringList shown{QString::number(p.box<QCheckBox>(u"chkAlways"_s)->checkState())};
            for (int number : p.report.numbers)
                shown << QString::number(number);
            shown << p.box(u"txtFolder"_s)->text();
            for (const char* name :
                 {"txtTimeZone", "txtRefresh", "chkResolve", "chkWeb", "optFolder", "optFtp",
                  "txtWebRefresh", "txtFtpServer", "txtUser", "txtPass"}) {
                auto* check = p.box<QAbstractButton>(QLatin1StringView(name));
                shown << (check ? QString::number(check->isChecked())
                                : p.box(QLatin1StringView(name))->text());
            }
            return shown.join(u' ') + u" off: "_s + p.disabled();
        };
        table(uR"(- => 0 /srv 3 12 0 1 0 1 0 ftp u pw off: txtFolder
2 => 1 /srv 3 12 0 1 0 1 0 ftp u pw off: txtFolder
0.6 => 2 /srv 3 12 0 1 0 1 0 ftp u pw off: txtFolder
always I => 0 13 /srv 3 12 0 1 0 1 0 ftp u pw off: txtFolder
7 RI => 0 380 380 /srv 3 12 0 1 0 1 0 ftp u pw off: txtFolder)"_s,
              fill);
        QCOMPARE(fill({u"always"_s, u"A"_s}).section(u' ', 0, 2), u"0 13 "_s); // the rest empty
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
                p.type(name, typed); // leaving by Tab, or by a click elsewhere
                QTest::keyClick(p.box(name), Qt::Key_Tab);
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

    void waysOut() {
        const auto edit = [this](const QStringList& w) { // how, where, zone, web rate, answers
            init();
            Prefs p;
            frmPreferences& dialog = p.open();
            p.answer(w[4]);
            p.type(u"txtTimeZone"_s, w[2]);
            for (const QString& name : {u"chkAlways"_s, u"chkResolve"_s, u"chkWeb"_s, u"optFtp"_s})
                p.click(name);
            for (const auto& [name, text] : {std::pair(u"txtWebRefresh"_s, w[3]),
                                             {u"txtFtpServer"_s, u"ftp.org"_s},
                                             {u"txtUser"_s, u"user name"_s},
                                             {u"txtPass"_s, u"p@ss w0rd"_s},
                                             {u"txtRefresh"_s, u"0"_s}}) // corrected when left
                p.type(name, text);
            if (w[0] == u"close"_s)
                dialog.close();
            else if (w[0] == u"click"_s)
                p.click(w[1]);
            else
                p.box<QWidget>(w[1])->setFocus(Qt::TabFocusReason),
                    QTest::keyClick(p.box<QWidget>(w[1]),
                                    w[0] == u"enter"_s ? Qt::Key_Return : Qt::Key_Escape);
            QString shown = QString::number(dialog.result() == QDialog::Accepted) +
                            (dialog.isVisible() ? u" open"_s : QString());
            for (qsizetype i = 0; i < p.report.numbers.size(); ++i)
                shown += u" %1@%2"_s.arg(p.report.numbers[i]).arg(p.report.places[i]);
            for (const QString& key : u"Time Zone,Refresh Rate,AlwaysLoad,ResolveClients,WebStats,"
                                      "WebRefreshRate,WebLocal,WebFolder,WebFTPServer,WebFTPUser,"
                                      "WebFTPPass"_s.split(u','))
                shown += u' ' + settingsStore().value(u"Common/"_s + key, u"-"_s).toString();
            return shown;
        };
        // Enter in the box takes it as typed, Enter elsewhere is OK; the rest is Cancel. What does
        // not convert: Ignore skips it; Abort stays open, nothing saved.
        table(uR"(enter txtRefresh -3 0 - => 1 -3 0 1 1 1 0 0 /srv ftp.org user name p@ss w0rd
enter chkResolve -3 0 - => 1 -3 1 1 1 1 0 0 /srv ftp.org user name p@ss w0rd
enter cmdCancel -3 0 - => 0 - - - - - - - - - - -
escape txtTimeZone -3 0 - => 0 - - - - - - - - - - -
close - -3 0 - => 0 - - - - - - - - - - -
click cmdOk CET 0 A => 0 open 13@frmPreferences:cmdOK_Click - - - - - - - - - - -
click cmdOk CET 0 RA => 0 open 13@frmPreferences:cmdOK_Click 13@frmPreferences:cmdOK_Click - - - - - - - - - - -
click cmdOk CET 0 I => 1 13@frmPreferences:cmdOK_Click -2 1 1 1 1 0 0 /srv ftp.org user name p@ss w0rd
click cmdOk 1 soon A => 0 open 13@frmPreferences:cmdOK_Click - - - - - - - - - - -)"_s,
              edit);
    }

    void namesLook() {
        QMainWindow owner;
        owner.show();
        QPointer<frmNames> dialog = new frmNames(m_path, {}, &owner);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QCOMPARE(look(dialog), u"Names|Tahoma 7.8|fixed"_s);
        QVERIFY(dialog->parentWidget() == &owner && owner.isEnabled() &&
                !QApplication::activeModalWidget());
        QCOMPARE(captions(dialog),
                 u"labInfo:Enter computer names mappings\ne.g.\n192.168.0.10 OFFICEPC cmdOK:OK "
                 "cmdCancel:Cancel txtNames labReadError"_s);
        QCOMPARE(inkBands(dialog->labInfo()), 3); // three lines that do not touch
        QCOMPARE(layoutFaults(dialog), QString());
        const QPoint centre = owner.screen()->availableGeometry().center(); // within a frame
        QVERIFY((dialog->frameGeometry().center() - centre).manhattanLength() <= 8 &&
                (owner.geometry().center() - centre).manhattanLength() > 50);
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

    void namesFile() {
        ClientNames names(std::make_unique<FakeHostLookup>());
        names.setResolveClients(true);
        QByteArray seenByReload;
        int reloads = 0;
        const auto open = [&](const QString& text = {}) {
            QPointer<frmNames> dialog = new frmNames(
                m_path,
                [&] { ++reloads, seenByReload = readFile(m_path), names.LoadNames(m_path); },
                nullptr);
            dialog->show();
            if (!text.isNull())
                dialog->setNamesText(text);
            return dialog;
        };
        const QByteArray files[] = {
            "", "\357\273\27710.0.0.1 A\r\n",
            "  10.0.0.1  a  b \r\n\r\nnote\r\n10.0.0.2\tT\r\n10.0.0.3 lone\nlf\r\n10.0.0.4 "
            "lone\rcr\r\n\r\r\n\n\r\nZo\xC3\xAB \xC2\xA0 \xE2\x80\xA8 \xF0\x9F\x98\x80",
            "10.0.0.1 Zo\xEB"}; // Latin-1: saved as UTF-8
        for (const QByteArray& bytes : files) {
            QVERIFY(writeFile(m_path, bytes));
            QPointer<frmNames> dialog = open();
            QVERIFY(dialog->canSave());
            dialog->cmdOK_Click();
            QCOMPARE(readFile(m_path),
                     bytes == files[3] ? QByteArray("10.0.0.1 Zo\xC3\xAB") : bytes);
            QCOMPARE(seenByReload, readFile(m_path));
            QTRY_VERIFY(dialog.isNull());
        }
        QVERIFY(writeFile(m_path, QByteArray(2000, 'x')));
        for (int how = 0; how < 3; ++how) { // Cancel, Escape, the close box: nothing written
            QPointer<frmNames> dialog = open(u"10.0.0.1 X"_s);
            how == 0   ? QTest::mouseClick(dialog->cmdCancel(), Qt::LeftButton)
            : how == 1 ? QTest::keyClick(dialog->txtNames(), Qt::Key_Escape)
                       : void(dialog->close());
            QTRY_VERIFY(dialog.isNull());
        }
        QCOMPARE(readFile(m_path), QByteArray(2000, 'x'));
        open(u"10.0.0.1 OMEGA"_s)->cmdOK_Click(); // a shorter text leaves no trace; names apply
        QVERIFY(readFile(m_path) == "10.0.0.1 OMEGA" && names.Resolve(u"10.0.0.1"_s) == u"OMEGA"_s);
        QVERIFY(QFile::remove(m_path) && QDir().mkpath(m_path)); // unreadable: never overwritten
        QPointer<frmNames> dialog = open();
        QVERIFY(!dialog->canSave() && dialog->labReadError()->isVisible() &&
                !dialog->cmdOK()->isEnabled() && dialog->txtNames()->isReadOnly());
        QVERIFY(dialog->labReadError()->text().contains(u"cannot be read"_s));
        dialog->cmdOK_Click();
        QVERIFY(QFileInfo(m_path).isDir() && dialog->isVisible() && reloads == 5);
        dialog->close();
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
