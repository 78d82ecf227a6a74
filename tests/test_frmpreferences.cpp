// The preferences dialog: its controls, filling, the lost-focus corrections, the enabling by
// "Web stats" and the options, OK with its conversions and error report, and Cancel.

#include "support/Fakes.h"
#include "support/Ink.h"

#include "common/ErrorReport.h"
#include "persistence/Settings.h"
#include "ui/Twips.h"
#include "ui/frmPreferences.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStyle>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ErrorAnswer)

namespace {

QSettings store() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, u"Quillmere Log Analyzer"_s);
}
QString stored(const QString& key) {
    return store().value(u"Common/"_s + key).toString();
}
bool isStored(const QString& key) {
    return store().contains(u"Common/"_s + key);
}

/** Preferences as start-up reads them from an empty store, with a few texts. */
Preferences samplePreferences() {
    return {.TimeZone = -2,
            .RefreshRate = 5,
            .ResolveClients = true,
            .WebStats = false,
            .WebRefreshRate = 30,
            .WebLocal = true,
            .WebFolder = u"/srv/www/stats"_s,
            .WebFTPServer = u"ftp.example.net"_s,
            .WebFTPUser = u"keys"_s,
            .WebFTPPass = u"s3cret"_s};
}

/** Every preference in one line, so a comparison shows all fields at once. */
QString describe(const Preferences& p) {
    return u"%1 %2 %3 %4 %5 %6 [%7] [%8] [%9] [%10]"_s.arg(p.TimeZone)
        .arg(p.RefreshRate)
        .arg(int(p.ResolveClients))
        .arg(int(p.WebStats))
        .arg(p.WebRefreshRate)
        .arg(int(p.WebLocal))
        .arg(p.WebFolder, p.WebFTPServer, p.WebFTPUser, p.WebFTPPass);
}

template <typename Control> Control* control(const frmPreferences& dialog, const QString& name) {
    auto* found = dialog.findChild<Control*>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

QLineEdit* box(const frmPreferences& dialog, const QString& name) {
    return control<QLineEdit>(dialog, name);
}

void click(const frmPreferences& dialog, const QString& name) {
    QTest::mouseClick(control<QAbstractButton>(dialog, name), Qt::LeftButton);
}

void storeAlwaysLoad(const QString& text) {
    QSettings settings = store();
    settings.setValue(u"Common/AlwaysLoad"_s, text);
    settings.sync();
}

void showActive(frmPreferences& dialog) {
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

/** Types text into a box that has the focus, replacing what was there. */
void typeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

QColor background(const QWidget* widget, QPalette::ColorGroup group) {
    return widget->palette().color(group, QPalette::Base);
}
QString settingsFile() {
    return store().fileName();
}

/** The dialog over the sample preferences; the report's answers are set before it loads. */
struct Fixture {
    ScriptedErrorReport report;
    ErrorReporter reporter{report};
    Preferences preferences = samplePreferences();
    std::optional<frmPreferences> dialog;

    frmPreferences& open(const QList<ErrorAnswer>& answers = {}, bool active = true) {
        report.answers = answers;
        dialog.emplace(preferences, reporter);
        if (active)
            showActive(*dialog);
        return *dialog;
    }
};

} // namespace

class TestFrmPreferences : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // The corrections are stated for a point as the decimal separator.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void init() {
        QSettings settings = store();
        settings.clear();
        settings.sync();
    }

    void cleanup() {
        // A test may have put a folder where the settings file goes.
        const QFileInfo file(settingsFile());
        if (file.isDir())
            QDir(file.absoluteFilePath()).removeRecursively();
    }

    void dialogLook() {
        Fixture f;
        frmPreferences& dialog = f.open({}, false);
        QCOMPARE(dialog.windowTitle(), u"Preferences"_s);
        QVERIFY(dialog.isModal());
        QCOMPARE(dialog.size(), QSize(Twips::toPixelsX(5304), Twips::toPixelsY(5088)));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize()); // a fixed border
        constexpr Qt::WindowFlags buttons =
            Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;
        QCOMPARE(dialog.windowFlags() & buttons, Qt::WindowCloseButtonHint);
        QCOMPARE(std::pair(dialog.font().family(), dialog.font().pointSizeF()),
                 std::pair(u"Tahoma"_s, 7.8));
        QVERIFY(control<QPushButton>(dialog, u"cmdOk"_s)->isDefault());
        QVERIFY(!control<QPushButton>(dialog, u"cmdCancel"_s)->isDefault());
        QVERIFY(control<QGroupBox>(dialog, u"fraWeb"_s)->title().isEmpty());
        // Centred on the screen.
        showActive(dialog);
        const QRect screen = dialog.screen()->availableGeometry();
        QVERIFY(qAbs(dialog.geometry().center().x() - screen.center().x()) <= 10);
        QVERIFY(qAbs(dialog.geometry().center().y() - screen.center().y()) <= 40);
        QVERIFY(f.report.places.isEmpty());

        // The tab order starts on OK, which has the focus.
        QCOMPARE(dialog.focusWidget(), control<QPushButton>(dialog, u"cmdOk"_s));
        QStringList chain;
        QWidget* widget = dialog.focusWidget();
        do {
            if (widget->focusPolicy() & Qt::TabFocus)
                chain << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != dialog.focusWidget() && chain.size() < 50);
        QCOMPARE(chain.join(u' '),
                 u"cmdOk cmdCancel chkResolve txtRefresh chkAlways txtTimeZone chkWeb txtFolder "
                 "optFolder txtUser optFtp txtWebRefresh txtPass txtFtpServer"_s);
    }

    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRectF>("twips");
        QTest::addColumn<QString>("tag");
        const auto row = [](const char* name, const char* kind, const QString& caption,
                            const char* container, QRectF twips, const char* tag) {
            QTest::addRow("%s", name)
                << QString::fromLatin1(name) << QString::fromLatin1(kind) << caption
                << QString::fromLatin1(container) << twips << QString::fromLatin1(tag);
        };
        row("Frame1", "QGroupBox", u"General"_s, "frmPreferences", {168, 84, 4968, 1692}, "");
        row("Label1", "QLabel", u"Time zone:"_s, "Frame1", {336, 252, 1356, 264}, "");
        row("txtTimeZone", "QLineEdit", {}, "Frame1", {1848, 252, 852, 288}, "");
        row("Label2", "QLabel", u"Refresh rate:"_s, "Frame1", {336, 672, 1356, 264}, "");
        row("txtRefresh", "QLineEdit", {}, "Frame1", {1848, 672, 852, 288}, "");
        row("Label3", "QLabel", u"sec"_s, "Frame1", {2772, 672, 432, 264}, "");
        row("chkAlways", "QCheckBox", u"On startup load previous file"_s, "Frame1",
            {336, 1092, 3288, 264}, "");
        row("chkResolve", "QCheckBox", u"Resolve client addresses"_s, "Frame1",
            {336, 1344, 3288, 264}, "");
        row("fraWeb", "QGroupBox", {}, "frmPreferences", {168, 1932, 4968, 2532}, "");
        row("chkWeb", "QCheckBox", u"Web stats"_s, "frmPreferences", {336, 1932, 1188, 264}, "");
        row("Label4", "QLabel", u"Refresh rate:"_s, "fraWeb", {336, 336, 1440, 264}, "E");
        row("txtWebRefresh", "QLineEdit", {}, "fraWeb", {1848, 336, 852, 288}, "BE");
        row("Label7", "QLabel", u"sec"_s, "fraWeb", {2772, 336, 432, 264}, "");
        row("optFolder", "QRadioButton", u"Folder location"_s, "fraWeb", {336, 756, 1440, 264},
            "E");
        row("txtFolder", "QLineEdit", {}, "fraWeb", {1848, 756, 2952, 288}, "BEU");
        row("optFtp", "QRadioButton", u"FTP Server"_s, "fraWeb", {336, 1176, 1440, 264}, "E");
        row("txtFtpServer", "QLineEdit", {}, "fraWeb", {1848, 1176, 2952, 288}, "BEF");
        row("Label5", "QLabel", u"User name:"_s, "fraWeb", {672, 1596, 1104, 264}, "E");
        row("txtUser", "QLineEdit", {}, "fraWeb", {1848, 1596, 1188, 288}, "BEF");
        row("Label6", "QLabel", u"Password:"_s, "fraWeb", {672, 2016, 1104, 264}, "E");
        row("txtPass", "QLineEdit", {}, "fraWeb", {1848, 2016, 1188, 288}, "BEF");
        row("cmdOk", "QPushButton", u"OK"_s, "frmPreferences", {2856, 4620, 1104, 348}, "");
        row("cmdCancel", "QPushButton", u"Cancel"_s, "frmPreferences", {4032, 4620, 1104, 348}, "");
    }
    void controls() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        QFETCH(QString, container);
        QFETCH(QRectF, twips);
        QFETCH(QString, tag);
        Fixture f;
        frmPreferences& dialog = f.open({}, false);
        auto* widget = dialog.findChild<QWidget*>(name);
        QVERIFY(widget);
        QVERIFY2(widget->inherits(kind.toLatin1().constData()), widget->metaObject()->className());
        QCOMPARE(widget->parentWidget()->objectName(), container);
        QCOMPARE(widget->geometry(), Twips::toPixels(twips));
        QCOMPARE(widget->property("Tag").toString(), tag);
        if (auto* label = qobject_cast<QLabel*>(widget))
            QCOMPARE(label->text(), caption);
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            QCOMPARE(button->text(), caption);
        else if (auto* frame = qobject_cast<QGroupBox*>(widget))
            QCOMPARE(frame->title(), caption);
    }

    void framesCarryTheirCaptionsOnTheirTopLine() {
        Fixture f;
        frmPreferences& dialog = f.open({}, false);
        const QImage image = dialog.grab().toImage();
        const int captionLeft =
            control<QWidget>(dialog, u"chkWeb"_s)->x() - control<QWidget>(dialog, u"fraWeb"_s)->x();
        QList<std::pair<int, QRgb>> lines; // each frame's top line: row in the frame, colour
        for (const QString& name : {u"Frame1"_s, u"fraWeb"_s}) {
            const QWidget* frame = control<QWidget>(dialog, name);
            const QRect at = frame->geometry();
            const QWidget* topLeft = frame->findChildren<QWidget*>().constFirst();
            const int line = inkRows(image, {at.right() - 4, at.top(), 1, at.height() / 2}).first;
            // The caption, left of the frame's controls, has the line through its middle.
            const auto [top, bottom] = inkRows(image, {at.left() + captionLeft, at.top(),
                                                       topLeft->x() - captionLeft, topLeft->y()});
            QVERIFY2(qAbs(top + bottom - 2 * line) <= 2,
                     qPrintable(u"%1 %2-%3 %4"_s.arg(name).arg(top).arg(bottom).arg(line)));
            lines << std::pair(line - at.top(), image.pixel(at.right() - 4, line));
            for (const QWidget* child : frame->findChildren<QWidget*>()) // below the line's 2 px
                QVERIFY2(child->y() > lines.last().first + 1 &&
                             frame->rect().contains(child->geometry()),
                         qPrintable(child->objectName()));
        }
        QCOMPARE(lines.at(0), lines.at(1)); // both frames alike
    }

    void formLoadFills() {
        storeAlwaysLoad(u"1"_s);
        Fixture f;
        f.preferences = {.TimeZone = 3,
                         .RefreshRate = 12,
                         .ResolveClients = false,
                         .WebStats = true,
                         .WebRefreshRate = 0,
                         .WebLocal = false,
                         .WebFolder = u"/srv/www/stats"_s,
                         .WebFTPServer = u"ftp.example.net"_s,
                         .WebFTPUser = u"keys"_s,
                         .WebFTPPass = u"s3cret"_s};
        const Preferences before = f.preferences;
        frmPreferences dialog(f.preferences, f.reporter);
        QStringList texts;
        for (const QString& name : {u"txtTimeZone"_s, u"txtRefresh"_s, u"txtWebRefresh"_s,
                                    u"txtFolder"_s, u"txtFtpServer"_s, u"txtUser"_s, u"txtPass"_s})
            texts << box(dialog, name)->text();
        QCOMPARE(texts, (QStringList{u"3"_s, u"12"_s, u"0"_s, u"/srv/www/stats"_s,
                                     u"ftp.example.net"_s, u"keys"_s, u"s3cret"_s}));
        QCOMPARE(control<QCheckBox>(dialog, u"chkAlways"_s)->checkState(), Qt::Checked);
        const auto checked = [&](const QString& name) {
            return control<QAbstractButton>(dialog, name)->isChecked();
        };
        QCOMPARE((QList<bool>{checked(u"chkResolve"_s), checked(u"chkWeb"_s),
                              checked(u"optFolder"_s), checked(u"optFtp"_s)}),
                 (QList<bool>{false, true, false, true}));
        // EnableWebControls ran: the FTP option is chosen.
        QCOMPARE(std::pair(box(dialog, u"txtFolder"_s)->isEnabled(),
                           box(dialog, u"txtFtpServer"_s)->isEnabled()),
                 std::pair(false, true));
        QVERIFY(f.report.places.isEmpty());
        QCOMPARE(describe(f.preferences), describe(before)); // loading changes nothing
        // The password shows as stars; the other boxes show their text.
        QLineEdit* pass = box(dialog, u"txtPass"_s);
        QCOMPARE(pass->echoMode(), QLineEdit::Password);
        QCOMPARE(pass->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, pass),
                 int(u'*'));
        QCOMPARE(pass->displayText(), u"******"_s);
        QCOMPARE(box(dialog, u"txtUser"_s)->echoMode(), QLineEdit::Normal);
    }

    void alwaysLoadReadAfresh_data() {
        QTest::addColumn<QString>("storedText"); // empty: absent
        QTest::addColumn<QList<ErrorAnswer>>("answers");
        QTest::addColumn<int>("state");
        QTest::addColumn<QList<int>>("errors");
        QTest::addColumn<bool>("loadFinished");
        const QList<ErrorAnswer> none;
        QTest::addRow("absent: clear")
            << QString() << none << int(Qt::Unchecked) << QList<int>() << true;
        QTest::addRow("0") << u"0"_s << none << int(Qt::Unchecked) << QList<int>() << true;
        QTest::addRow("1") << u"1"_s << none << int(Qt::Checked) << QList<int>() << true;
        QTest::addRow("2 is grey")
            << u"2"_s << none << int(Qt::PartiallyChecked) << QList<int>() << true;
        QTest::addRow("0.6 rounds to 1")
            << u"0.6"_s << none << int(Qt::Checked) << QList<int>() << true;
        QTest::addRow("word, Ignore")
            << u"always"_s << QList<ErrorAnswer>{ErrorAnswer::Ignore} << int(Qt::Unchecked)
            << QList<int>{ErrorNumber::TypeMismatch} << true;
        QTest::addRow("word, Abort")
            << u"always"_s << QList<ErrorAnswer>{ErrorAnswer::Abort} << int(Qt::Unchecked)
            << QList<int>{ErrorNumber::TypeMismatch} << false;
        QTest::addRow("7, Retry then Ignore")
            << u"7"_s << QList<ErrorAnswer>{ErrorAnswer::Retry, ErrorAnswer::Ignore}
            << int(Qt::Unchecked) << QList<int>(2, ErrorNumber::InvalidPropertyValue) << true;
    }
    void alwaysLoadReadAfresh() {
        QFETCH(QString, storedText);
        QFETCH(QList<ErrorAnswer>, answers);
        QFETCH(int, state);
        QFETCH(QList<int>, errors);
        QFETCH(bool, loadFinished);
        if (!storedText.isEmpty())
            storeAlwaysLoad(storedText);
        Fixture f;
        frmPreferences& dialog = f.open(answers, false);
        QCOMPARE(int(control<QCheckBox>(dialog, u"chkAlways"_s)->checkState()), state);
        QCOMPARE(f.report.numbers, errors);
        QCOMPARE(f.report.places, QStringList(errors.size(), u"frmPreferences:Form_Load"_s));
        // Abort ends the load: the later boxes stay empty.
        QCOMPARE(box(dialog, u"txtFolder"_s)->text(),
                 loadFinished ? u"/srv/www/stats"_s : QString());
        QCOMPARE(box(dialog, u"txtRefresh"_s)->text(), u"5"_s);
    }

    void lostFocusCorrections_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("corrected");
        const QString refresh = u"txtRefresh"_s;
        const QString zone = u"txtTimeZone"_s;
        QTest::addRow("refresh 0") << refresh << u"0"_s << u"1"_s;
        QTest::addRow("refresh -5") << refresh << u"-5"_s << u"1"_s;
        QTest::addRow("refresh word") << refresh << u"often"_s << u"1"_s;
        QTest::addRow("refresh empty") << refresh << QString() << u"1"_s;
        QTest::addRow("refresh 3.7") << refresh << u"3.7"_s << u"4"_s;
        QTest::addRow("refresh 2.5") << refresh << u"2.5"_s << u"2"_s;
        QTest::addRow("refresh 0.6") << refresh << u"0.6"_s << u"1"_s;
        QTest::addRow("refresh blanks and zeros") << refresh << u" 007 "_s << u"7"_s;
        QTest::addRow("refresh no upper bound") << refresh << u"2147483647"_s << u"2147483647"_s;
        QTest::addRow("refresh out of range") << refresh << u"2147483648"_s << u"1"_s;
        QTest::addRow("refresh very long") << refresh << QString(5000, u'9') << u"1"_s;
        QTest::addRow("zone -3") << zone << u"-3"_s << u"-3"_s;
        QTest::addRow("zone 1.5") << zone << u"1.5"_s << u"2"_s;
        QTest::addRow("zone -2.5") << zone << u"-2.5"_s << u"-2"_s;
        QTest::addRow("zone blanks") << zone << u"  04"_s << u"4"_s;
        QTest::addRow("zone word stays") << zone << u"UTC"_s << u"UTC"_s;
        QTest::addRow("zone empty stays") << zone << QString() << QString();
        QTest::addRow("zone out of range stays") << zone << u"-2147483649"_s << u"-2147483649"_s;
    }
    void lostFocusCorrections() {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QFETCH(QString, corrected);
        Fixture f;
        frmPreferences& dialog = f.open();
        QLineEdit* edit = box(dialog, name);
        typeInto(edit, typed);
        QCOMPARE(edit->text(), typed);
        // Tab moves the focus on: the box corrects itself as it loses it.
        QTest::keyClick(edit, Qt::Key_Tab);
        QVERIFY(!edit->hasFocus());
        QCOMPARE(edit->text(), corrected);
        // A click on another control does the same.
        typeInto(edit, typed);
        click(dialog, u"chkWeb"_s);
        QTRY_COMPARE(edit->text(), corrected);
        QVERIFY(f.report.places.isEmpty());
    }

    void noCorrectionWhenTheWindowLosesFocus() {
        Fixture f;
        frmPreferences& dialog = f.open({}, false);
        QLineEdit* refresh = box(dialog, u"txtRefresh"_s);
        refresh->setText(u"0"_s);
        // Another window (the error report's box) takes the focus: no lost focus of the box.
        QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(refresh, &away);
        QCOMPARE(refresh->text(), u"0"_s);
        QFocusEvent moved(QEvent::FocusOut, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(refresh, &moved);
        QCOMPARE(refresh->text(), u"1"_s);
    }

    void enabling_data() {
        QTest::addColumn<bool>("web");
        QTest::addColumn<bool>("folder");
        QTest::addRow("web off, folder") << false << true;
        QTest::addRow("web off, FTP") << false << false;
        QTest::addRow("web on, folder") << true << true;
        QTest::addRow("web on, FTP") << true << false;
    }
    void enabling() {
        QFETCH(bool, web);
        QFETCH(bool, folder);
        const QColor window = frmPreferences::windowBackground();
        const QColor face = frmPreferences::buttonFace();
        QVERIFY2(window != face, "the two system colours must differ for this test");

        Fixture f;
        frmPreferences& dialog = f.open(); // web off, folder
        // The user's clicks, which act at once.
        if (web)
            click(dialog, u"chkWeb"_s);
        if (!folder && web)
            click(dialog, u"optFtp"_s);
        else if (!folder)
            control<QRadioButton>(dialog, u"optFtp"_s)->setChecked(true); // disabled: only by code
        QCOMPARE(control<QCheckBox>(dialog, u"chkWeb"_s)->isChecked(), web);
        QCOMPARE(control<QRadioButton>(dialog, u"optFolder"_s)->isChecked(), folder);

        // Tagged E only: enabled with web stats.
        for (const QString& name :
             {u"Label4"_s, u"optFolder"_s, u"optFtp"_s, u"Label5"_s, u"Label6"_s})
            QVERIFY2(dialog.findChild<QWidget*>(name)->isEnabled() == web, qPrintable(name));
        // The text boxes: enabled and white exactly when usable.
        const QList<std::pair<QString, bool>> boxes{{u"txtWebRefresh"_s, web},
                                                    {u"txtFolder"_s, web && folder},
                                                    {u"txtFtpServer"_s, web && !folder},
                                                    {u"txtUser"_s, web && !folder},
                                                    {u"txtPass"_s, web && !folder}};
        for (const auto& [name, usable] : boxes) {
            QLineEdit* edit = box(dialog, name);
            QVERIFY2(edit->isEnabled() == usable, qPrintable(name));
            const QColor colour = usable ? window : face;
            QCOMPARE(background(edit, QPalette::Active), colour);
            QCOMPARE(background(edit, QPalette::Disabled), colour);
        }
        // No letters: never changed.
        for (const QString& name :
             {u"Label3"_s, u"Label7"_s, u"chkWeb"_s, u"fraWeb"_s, u"Frame1"_s, u"txtTimeZone"_s,
              u"txtRefresh"_s, u"chkAlways"_s, u"chkResolve"_s})
            QVERIFY2(dialog.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
        QCOMPARE(background(box(dialog, u"txtRefresh"_s), QPalette::Active),
                 dialog.palette().color(QPalette::Active, QPalette::Base));

        // Selecting the other option swaps the usable boxes at once.
        if (web) {
            click(dialog, folder ? u"optFtp"_s : u"optFolder"_s);
            QCOMPARE(box(dialog, u"txtFolder"_s)->isEnabled(), !folder);
            QCOMPARE(box(dialog, u"txtFtpServer"_s)->isEnabled(), folder);
            QCOMPARE(background(box(dialog, u"txtUser"_s), QPalette::Active),
                     folder ? window : face);
            // And web stats off again disables everything tagged.
            click(dialog, u"chkWeb"_s);
            for (const QString& name :
                 {u"txtWebRefresh"_s, u"txtFolder"_s, u"txtFtpServer"_s, u"optFtp"_s})
                QVERIFY2(!dialog.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
            QCOMPARE(background(box(dialog, u"txtFolder"_s), QPalette::Disabled), face);
        }
    }

    void okTakesOverAndSaves() {
        Fixture f;
        frmPreferences& dialog = f.open();
        typeInto(box(dialog, u"txtTimeZone"_s), u"-3"_s);
        typeInto(box(dialog, u"txtRefresh"_s), u"3.7"_s);
        for (const QString& name : {u"chkAlways"_s, u"chkResolve"_s, u"chkWeb"_s})
            click(dialog, name);
        typeInto(box(dialog, u"txtWebRefresh"_s), u"0"_s); // accepted as it is
        click(dialog, u"optFtp"_s);
        typeInto(box(dialog, u"txtFtpServer"_s), u"ftp.other.org"_s);
        typeInto(box(dialog, u"txtUser"_s), u"user name"_s);
        typeInto(box(dialog, u"txtPass"_s), u"p@ss w0rd"_s);
        // Leaving the refresh box corrected 3.7 to 4.
        QCOMPARE(box(dialog, u"txtRefresh"_s)->text(), u"4"_s);
        click(dialog, u"cmdOk"_s);

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(describe(f.preferences),
                 u"-3 4 0 1 0 0 [/srv/www/stats] [ftp.other.org] [user name] [p@ss w0rd]"_s);
        QStringList texts;
        for (const QString& key :
             {u"Time Zone"_s, u"Refresh Rate"_s, u"AlwaysLoad"_s, u"ResolveClients"_s,
              u"WebStats"_s, u"WebRefreshRate"_s, u"WebLocal"_s, u"WebFolder"_s, u"WebFTPServer"_s,
              u"WebFTPUser"_s, u"WebFTPPass"_s})
            texts << stored(key);
        QCOMPARE(texts, (QStringList{u"-3"_s, u"4"_s, u"1"_s, u"0"_s, u"1"_s, u"0"_s, u"0"_s,
                                     u"/srv/www/stats"_s, u"ftp.other.org"_s, u"user name"_s,
                                     u"p@ss w0rd"_s}));
        QVERIFY(f.report.places.isEmpty());

        // The next opening shows what was saved, "AlwaysLoad" from the store.
        frmPreferences again(f.preferences, f.reporter);
        QCOMPARE(box(again, u"txtRefresh"_s)->text(), u"4"_s);
        QCOMPARE(control<QCheckBox>(again, u"chkAlways"_s)->checkState(), Qt::Checked);
        QVERIFY(control<QRadioButton>(again, u"optFtp"_s)->isChecked());
    }

    void enterIsOkWithoutCorrection_data() {
        QTest::addColumn<QString>("name"); // where Enter is pressed
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("refresh");
        QTest::addRow("refresh box: taken as typed") << u"txtRefresh"_s << true << 0;
        QTest::addRow("check box: OK as well")
            << u"chkResolve"_s << true << 1; // corrected on leaving
        QTest::addRow("Cancel: cancels") << u"cmdCancel"_s << false << 5;
    }
    void enterIsOkWithoutCorrection() {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QFETCH(int, refresh);
        Fixture f;
        frmPreferences& dialog = f.open();
        typeInto(box(dialog, u"txtRefresh"_s), u"0"_s);
        auto* target = dialog.findChild<QWidget*>(name);
        target->setFocus(Qt::TabFocusReason);
        QTest::keyClick(target, name == u"chkResolve"_s ? Qt::Key_Enter : Qt::Key_Return);
        QCOMPARE(dialog.result(), int(accepted ? QDialog::Accepted : QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(f.preferences.RefreshRate, refresh);
        QCOMPARE(store().allKeys().isEmpty(), !accepted);
        if (accepted) {
            QCOMPARE(stored(u"Refresh Rate"_s), QString::number(refresh));
            QCOMPARE(stored(u"AlwaysLoad"_s), u"0"_s); // absent read as 0, then saved
        }
    }

    void okWithAWordInTheTimeZone_data() {
        QTest::addColumn<QList<ErrorAnswer>>("answers");
        QTest::addColumn<int>("reports");
        QTest::addColumn<bool>("closed");
        QTest::addRow("Abort") << QList<ErrorAnswer>{ErrorAnswer::Abort} << 1 << false;
        QTest::addRow("Ignore") << QList<ErrorAnswer>{ErrorAnswer::Ignore} << 1 << true;
        QTest::addRow("Retry, then Abort")
            << QList<ErrorAnswer>{ErrorAnswer::Retry, ErrorAnswer::Abort} << 2 << false;
        QTest::addRow("Retry twice, then Ignore")
            << QList<ErrorAnswer>{ErrorAnswer::Retry, ErrorAnswer::Retry, ErrorAnswer::Ignore} << 3
            << true;
    }
    void okWithAWordInTheTimeZone() {
        QFETCH(QList<ErrorAnswer>, answers);
        QFETCH(int, reports);
        QFETCH(bool, closed);
        Fixture f;
        frmPreferences& dialog = f.open(answers);
        QLineEdit* zone = box(dialog, u"txtTimeZone"_s);
        typeInto(zone, u"CET"_s);
        typeInto(box(dialog, u"txtRefresh"_s), u"9"_s);
        QTest::keyClick(box(dialog, u"txtRefresh"_s), Qt::Key_Tab);
        QCOMPARE(zone->text(), u"CET"_s); // the word stays in the box
        click(dialog, u"cmdOk"_s);

        QCOMPARE(f.report.places, QStringList(reports, u"frmPreferences:cmdOK_Click"_s));
        QCOMPARE(f.report.texts.first(),
                 u"Error: 0xD\r\n\r\nfrmPreferences:cmdOK_Click\r\nType mismatch"_s);
        QCOMPARE(f.preferences.TimeZone, -2); // the old value in every case
        QCOMPARE(dialog.isVisible(), !closed);
        if (closed) {
            // Ignore skipped only the time zone: the rest is taken and saved with the old zone.
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(f.preferences.RefreshRate, 9);
            QCOMPARE(stored(u"Time Zone"_s), u"-2"_s);
            QCOMPARE(stored(u"Refresh Rate"_s), u"9"_s);
        } else {
            // Abort left at once: nothing taken after the zone, nothing saved, still open.
            QCOMPARE(f.preferences.RefreshRate, 5);
            QVERIFY(!isStored(u"Time Zone"_s) && !isStored(u"Refresh Rate"_s));
            // The user mends the zone and presses OK again.
            typeInto(zone, u"1"_s);
            click(dialog, u"cmdOk"_s);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(f.preferences.TimeZone, 1);
            QCOMPARE(stored(u"Time Zone"_s), u"1"_s);
        }
    }

    void okAbortAfterEarlierAssignments() {
        Fixture f;
        frmPreferences& dialog = f.open({ErrorAnswer::Abort});
        typeInto(box(dialog, u"txtTimeZone"_s), u"4"_s);
        click(dialog, u"chkResolve"_s);
        click(dialog, u"chkWeb"_s);
        typeInto(box(dialog, u"txtWebRefresh"_s), u"soon"_s);
        QTest::keyClick(box(dialog, u"txtWebRefresh"_s), Qt::Key_Return);
        QCOMPARE(f.report.places, QStringList{u"frmPreferences:cmdOK_Click"_s});
        // Taken before the failing step: in memory, but nothing saved.
        QCOMPARE(describe(f.preferences),
                 u"4 5 0 1 30 1 [/srv/www/stats] [ftp.example.net] [keys] [s3cret]"_s);
        QVERIFY(!isStored(u"Time Zone"_s));
        QVERIFY(dialog.isVisible());
        // Closing now changes nothing more.
        dialog.reject();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(f.preferences.TimeZone, 4);
        QVERIFY(!isStored(u"ResolveClients"_s));
    }

    void okWhenTheStoreCannotBeWritten() {
        // A folder where the settings file should be: the save fails.
        QFile::remove(settingsFile());
        QVERIFY(QDir().mkpath(settingsFile()));
        Fixture f;
        frmPreferences& dialog = f.open({ErrorAnswer::Retry, ErrorAnswer::Abort});
        typeInto(box(dialog, u"txtTimeZone"_s), u"6"_s);
        click(dialog, u"cmdOk"_s);
        QCOMPARE(f.report.places, QStringList(2, u"frmPreferences:cmdOK_Click"_s));
        QCOMPARE(f.report.numbers.first(), ErrorNumber::PathFileAccess);
        QCOMPARE(f.preferences.TimeZone, 6);
        QVERIFY(dialog.isVisible());
        // Ignore closes the dialog with the values in memory.
        f.report.answers = {ErrorAnswer::Ignore};
        click(dialog, u"cmdOk"_s);
        QCOMPARE(f.report.places.size(), 3);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void cancelChangesNothing_data() {
        QTest::addColumn<int>("way");
        QTest::addRow("Cancel button") << 0;
        QTest::addRow("Escape") << 1;
        QTest::addRow("close box") << 2;
    }
    void cancelChangesNothing() {
        QFETCH(int, way);
        Fixture f;
        frmPreferences& dialog = f.open();
        typeInto(box(dialog, u"txtTimeZone"_s), u"7"_s);
        typeInto(box(dialog, u"txtRefresh"_s), u"20"_s);
        click(dialog, u"chkWeb"_s);
        click(dialog, u"chkAlways"_s);
        typeInto(box(dialog, u"txtPass"_s), u"other"_s);
        if (way == 0)
            click(dialog, u"cmdCancel"_s);
        else if (way == 1)
            QTest::keyClick(box(dialog, u"txtPass"_s), Qt::Key_Escape);
        else
            QVERIFY(dialog.close());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(describe(f.preferences), describe(samplePreferences()));
        QVERIFY(store().allKeys().isEmpty());
        QVERIFY(f.report.places.isEmpty());
    }
};

QTEST_MAIN(TestFrmPreferences)
#include "test_frmpreferences.moc"
