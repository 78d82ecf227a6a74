// The settings store: keys, defaults and text forms of the preferences and of the window
// placements, conversion errors as start-up reports them, and a store that cannot be written.
#include "support/Fakes.h"

#include "persistence/Settings.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

/** The texts stored under "section/key,...", read as the file has them; "-" for none. */
QString stored(const QString& keys) {
    const QSettings file(QSettings::IniFormat, QSettings::UserScope, u"Quillmere Log Analyzer"_s);
    QStringList texts;
    for (const QString& key : keys.split(u','))
        texts << file.value(key, u"-"_s).toString();
    return texts.join(u' ');
}

/** Every preference as start-up reads them, one reported step each; "Abort" after an Abort. */
QString readAll(ErrorReporter& reporter) {
    Preferences p;
    for (const PreferenceSetting& setting : preferenceSettings())
        if (!reporter.runStep(u"frmMain:Form_Load"_s, [&] { readPreference(setting, p); }))
            return u"Abort %1 %2"_s.arg(p.TimeZone).arg(p.RefreshRate);
    return joined({p.TimeZone, p.RefreshRate, int(p.ResolveClients), int(p.WebStats),
                   p.WebRefreshRate, int(p.WebLocal)}) +
           u" [%1] [%2] [%3] [%4]"_s.arg(p.WebFolder, p.WebFTPServer, p.WebFTPUser, p.WebFTPPass);
}

/** A placement read in order, each key with the current value as its default. */
QString readPlacement(WindowPlacement p, ErrorReporter& reporter) {
    for (const auto& step : placementReadSteps(SettingsKey::Common, SettingsKey::ListView, p))
        reporter.runStep(u"frmMain:Form_Load"_s, step);
    const QVariantList columns(p.columns.begin(), p.columns.end());
    return joined({p.windowState, p.left, p.top, p.width, p.height}) + u" ["_s + joined(columns) +
           u"] "_s + joined({p.sortKey, p.sortOrder});
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QFile::remove(SettingsStore().fileName());
    }

    void preferences() {
        QCOMPARE(SettingsStore().fileName(),
                 qEnvironmentVariable("XDG_CONFIG_HOME") + u"/Quillmere Log Analyzer.ini"_s);
        ScriptedErrorReport report;
        ErrorReporter reporter(report);
        QCOMPARE(readAll(reporter), u"-2 5 1 0 30 1 [] [] [] []"_s); // a first start
        QVERIFY(alwaysLoadAtStartUp() == 1 && alwaysLoadInPreferences() == 0);
        QVERIFY(!QFileInfo::exists(SettingsStore().fileName())); // reading writes nothing
        // One text stored under every key => every preference as read (a flag is on for 1 only)
        table(uR"(
1 => 1 1 1 1 1 1 [1] [1] [1] [1]
2 => 2 2 0 0 2 0 [2] [2] [2] [2]
-1 => -1 -1 0 0 -1 0 [-1] [-1] [-1] [-1]
_1.0_ => 1 1 1 1 1 1 [ 1.0 ] [ 1.0 ] [ 1.0 ] [ 1.0 ]
2.5 => 2 2 0 0 2 0 [2.5] [2.5] [2.5] [2.5]
a,_b_=_c;_"d" => Abort 0 0)"_s,
              [&](const QStringList& w) {
                  for (const PreferenceSetting& setting : preferenceSettings())
                      SaveSetting(SettingsKey::Common, setting.key,
                                  QString(w[0]).replace(u'_', u' '));
                  return readAll(reporter);
              });
        QCOMPARE(GetSetting(SettingsKey::Common, "WebFolder"_L1),
                 u"a, b = c; \"d\""_s); // a text as written

        // Ignore skips just that assignment; Retry reads again; Abort ends the reading there.
        QFile::remove(SettingsStore().fileName());
        SaveSetting(SettingsKey::Common, "Time Zone"_L1, u"3"_s);
        SaveSetting(SettingsKey::Common, "Refresh Rate"_L1, u"abc"_s);
        SaveSetting(SettingsKey::Common, "WebRefreshRate"_L1, u"3000000000"_s);
        report.numbers.clear();
        report.answers = {ErrorAnswer::Ignore, ErrorAnswer::Retry, ErrorAnswer::Ignore};
        QCOMPARE(readAll(reporter), u"3 0 1 0 0 1 [] [] [] []"_s);
        QCOMPARE(report.numbers, (QList<int>{ErrorNumber::TypeMismatch, ErrorNumber::Overflow,
                                             ErrorNumber::Overflow}));
        QCOMPARE(readAll(reporter), u"Abort 3 0"_s);
    }

    void preferencesOk() {
        savePreferences({-3, 10, false, true, 60, false, u"/srv/www"_s, u"ftp.invalid"_s, u"me"_s,
                         u"s3cret pass"_s},
                        0);
        QCOMPARE(
            stored(u"Common/Time Zone,Common/Refresh Rate,Common/AlwaysLoad,Common/ResolveClients,"
                   "Common/WebStats,Common/WebRefreshRate,Common/WebLocal,Common/WebFolder,"
                   "Common/WebFTPServer,Common/WebFTPUser,Common/WebFTPPass"_s),
            u"-3 10 0 0 1 60 0 /srv/www ftp.invalid me s3cret pass"_s);
        QVERIFY(readFile(SettingsStore().fileName()).contains("s3cret pass")); // plain text
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QCOMPARE(QFileInfo(SettingsStore().fileName()).permissions() & others,
                 QFileDevice::Permissions());
        savePreferences({0, 0, true, false, 0, true, {}, {}, {}, {}}, 1);
        QCOMPARE(stored(u"Common/ResolveClients,Common/WebLocal,Common/AlwaysLoad"_s), u"1 1 1"_s);
        QCOMPARE(alwaysLoadAtStartUp(), 1);

        const QString config =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QVERIFY(writeFile(config + u"/file"_s, "x")); // a store that cannot be written
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config + u"/file/sub"_s);
        QCOMPARE(errorNumber([] { savePreferences({}, 1); }) + errorNumber([] {
                     saveWindowPlacement(SettingsKey::Details, SettingsKey::Details, {});
                 }),
                 2 * ErrorNumber::PathFileAccess);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    }

    void placement() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        saveWindowPlacement(SettingsKey::Common, SettingsKey::ListView,
                            {0, 100, 200, 9000, 6000.5f, {2000, 1.5f}, 3, 1});
        saveWindowPlacement(SettingsKey::Common, SettingsKey::ListView,
                            {2, 0, 0, 1, 0, {2500, 1}, 4, 0});
        QCOMPARE(stored(u"Common/WindowState,Common/Left,Common/Top,Common/Width,Common/Height,"
                        "ListView/Col1,ListView/Col2,ListView/SortKey,ListView/SortOrder"_s),
                 u"2 100 200 9000 6000,5 2500 1 4 0"_s); // maximised: the rectangle stays
        saveWindowPlacement(SettingsKey::Details, SettingsKey::Details, {1, 5, 5, 5, 5, {1.5f}});
        QCOMPARE(stored(u"Details/WindowState,Details/Left,Details/Col1,Details/Col2"_s),
                 u"1 - 1,5 -"_s);

        ScriptedErrorReport report;
        ErrorReporter reporter(report);
        SaveSetting(SettingsKey::Common, "Top"_L1, u"-300,5"_s);
        QCOMPARE(readPlacement({0, 11, 22, 33, 44, {1, 2, 3}, 1, 1}, reporter), // current values
                 u"2 100 -300.5 9000 6000.5 [2500 1 3] 4 0"_s);                 // as defaults
        // A text that does not convert => its error; Ignore keeps the value the window had.
        table(uR"(
Common/WindowState 3 => 380
Common/WindowState -1 => 380
Common/WindowState 70000 => 6
Common/Left abc => 13
ListView/SortKey 40000 => 6
ListView/SortOrder abc => 13)"_s,
              [&](const QStringList& w) {
                  QFile::remove(SettingsStore().fileName());
                  SaveSetting(w[0].section(u'/', 0, 0), w[0].section(u'/', 1), w[1]);
                  SaveSetting(SettingsKey::Common, "Height"_L1, u"500"_s);
                  report.answers = {ErrorAnswer::Ignore};
                  report.numbers.clear();
                  const QString read = readPlacement({1, 7, 0, 0, 0, {10}, 2, 1}, reporter);
                  return read == u"1 7 0 0 500 [10] 2 1"_s && report.numbers.size() == 1
                             ? QString::number(report.numbers[0])
                             : read;
              });
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
