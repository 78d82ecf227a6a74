#include "common/ErrorReport.h"
#include "common/RunTimeError.h"
#include "persistence/Settings.h"
#include "support/Fakes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const PreferenceSetting& preference(QLatin1StringView key) {
    for (const PreferenceSetting& setting : PreferenceSettings())
        if (setting.key == key)
            return setting;
    qFatal("no preference %s", key.data());
}

template <typename F>
int errorNumber(F&& f) {
    try {
        f();
    } catch (const RunTimeError& error) {
        return error.number();
    }
    return 0;
}

QString stored(QLatin1StringView section, QAnyStringView key) {
    return SettingsStore().StoredText(section, key).value_or(u"<absent>"_s);
}

QString settingsFile() { return SettingsStore().fileName(); }

/** Reads every preference the way start-up does: one reported step each. */
bool readPreferencesAsStartUp(Preferences& preferences, ErrorReporter& reporter) {
    for (const PreferenceSetting& setting : PreferenceSettings())
        if (!reporter.runStep(u"frmMain:Form_Load"_s, [&] { ReadPreference(setting, preferences); }))
            return false;
    return true;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private:
    QLocale m_locale;
    QString m_configHome;

private Q_SLOTS:
    void initTestCase() {
        m_locale = QLocale();
        m_configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QVERIFY(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"));
    }

    void init() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QFile::remove(settingsFile());
    }

    void cleanup() {
        QLocale::setDefault(m_locale);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_configHome);
        QFile::remove(settingsFile());
    }

    void storeLivesInTheUsersConfigFolder() {
        QCOMPARE(settingsFile(), qEnvironmentVariable("XDG_CONFIG_HOME") + u"/Quillmere Log Analyzer.ini"_s);
        QCOMPARE(GetSetting(SettingsKey::Common, "Nothing"_L1), QString());
        QCOMPARE(GetSetting(SettingsKey::Common, "Nothing"_L1, u"dflt"_s), u"dflt"_s);
        SaveSetting(SettingsKey::Details, "Text"_L1, u"a, b = c; \"d\""_s);
        QCOMPARE(GetSetting(SettingsKey::Details, "Text"_L1, u"dflt"_s), u"a, b = c; \"d\""_s);
        QCOMPARE(GetSetting(SettingsKey::Common, "Text"_L1, u"dflt"_s), u"dflt"_s); // sections apart
    }

    void firstStartDefaults() {
        QStringList keys;
        for (const PreferenceSetting& setting : PreferenceSettings())
            keys << QString(setting.key);
        QCOMPARE(keys, (QStringList{u"Time Zone"_s, u"Refresh Rate"_s, u"ResolveClients"_s, u"WebStats"_s,
                                    u"WebRefreshRate"_s, u"WebLocal"_s, u"WebFolder"_s, u"WebFTPServer"_s,
                                    u"WebFTPUser"_s, u"WebFTPPass"_s}));

        const Preferences initial;
        QCOMPARE(initial.TimeZone, 0);
        QCOMPARE(initial.RefreshRate, 0);
        QCOMPARE(initial.ResolveClients, false);
        QCOMPARE(initial.WebLocal, false);

        Preferences p;
        ScriptedErrorReport report;
        ErrorReporter reporter(report);
        QVERIFY(readPreferencesAsStartUp(p, reporter));
        QCOMPARE(report.places, QStringList());
        QCOMPARE(p.TimeZone, -2);
        QCOMPARE(p.RefreshRate, 5);
        QCOMPARE(p.ResolveClients, true);
        QCOMPARE(p.WebStats, false);
        QCOMPARE(p.WebRefreshRate, 30);
        QCOMPARE(p.WebLocal, true);
        QCOMPARE(p.WebFolder, QString());
        QCOMPARE(p.WebFTPServer, QString());
        QCOMPARE(p.WebFTPUser, QString());
        QCOMPARE(p.WebFTPPass, QString());
        QCOMPARE(AlwaysLoadAtStartUp(), 1);
        QCOMPARE(AlwaysLoadInPreferences(), 0);
        QVERIFY(!QFileInfo::exists(settingsFile())); // reading writes nothing
    }

    void flags_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("on");
        QTest::addRow("1") << u"1"_s << true;
        QTest::addRow("0") << u"0"_s << false;
        QTest::addRow("2") << u"2"_s << false;
        QTest::addRow("-1") << u"-1"_s << false;
        QTest::addRow("blanks around 1") << u"  1 "_s << true;
        QTest::addRow("1.0") << u"1.0"_s << true;
        QTest::addRow("0.5") << u"0.5"_s << false;
    }
    void flags() {
        QFETCH(QString, text);
        QFETCH(bool, on);
        for (const auto key : {"ResolveClients"_L1, "WebStats"_L1, "WebLocal"_L1})
            SaveSetting(SettingsKey::Common, key, text);
        Preferences p;
        ReadPreference(preference("ResolveClients"_L1), p);
        ReadPreference(preference("WebStats"_L1), p);
        ReadPreference(preference("WebLocal"_L1), p);
        QCOMPARE(p.ResolveClients, on);
        QCOMPARE(p.WebStats, on);
        QCOMPARE(p.WebLocal, on);
    }

    void wholeNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("value");
        QTest::addRow("plain") << u"7"_s << 7;
        QTest::addRow("negative") << u"-11"_s << -11;
        QTest::addRow("blanks") << u" 12  "_s << 12;
        QTest::addRow("half rounds to even, down") << u"2.5"_s << 2;
        QTest::addRow("half rounds to even, up") << u"3.5"_s << 4;
        QTest::addRow("negative half") << u"-2.5"_s << -2;
        QTest::addRow("fraction") << u"4.6"_s << 5;
    }
    void wholeNumbers() {
        QFETCH(QString, text);
        QFETCH(qint32, value);
        SaveSetting(SettingsKey::Common, "Refresh Rate"_L1, text);
        SaveSetting(SettingsKey::Common, SettingsKey::AlwaysLoad, text);
        Preferences p;
        ReadPreference(preference("Refresh Rate"_L1), p);
        QCOMPARE(p.RefreshRate, value);
        QCOMPARE(AlwaysLoadAtStartUp(), value);
        QCOMPARE(AlwaysLoadInPreferences(), value);
    }

    void conversionErrors_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        QTest::addRow("abc refresh rate") << u"Refresh Rate"_s << u"abc"_s << ErrorNumber::TypeMismatch;
        QTest::addRow("empty time zone") << u"Time Zone"_s << QString() << ErrorNumber::TypeMismatch;
        QTest::addRow("number and text") << u"WebRefreshRate"_s << u"30s"_s << ErrorNumber::TypeMismatch;
        QTest::addRow("past 32 bits") << u"WebRefreshRate"_s << u"3000000000"_s << ErrorNumber::Overflow;
        QTest::addRow("abc flag") << u"WebStats"_s << u"abc"_s << ErrorNumber::TypeMismatch;
    }
    void conversionErrors() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(int, error);
        SaveSetting(SettingsKey::Common, key, text);
        Preferences p;
        for (const PreferenceSetting& setting : PreferenceSettings())
            if (QString(setting.key) == key)
                QCOMPARE(errorNumber([&] { ReadPreference(setting, p); }), error);
        // Nothing was assigned.
        QCOMPARE(p.RefreshRate, 0);
        QCOMPARE(p.TimeZone, 0);
        QCOMPARE(p.WebRefreshRate, 0);
        QCOMPARE(p.WebStats, false);
    }

    void reportedReadsOfStartUp() {
        SaveSetting(SettingsKey::Common, "Time Zone"_L1, u"3"_s);
        SaveSetting(SettingsKey::Common, "Refresh Rate"_L1, u"abc"_s);
        {
            // Ignore skips just that one assignment: the preference keeps its initial value.
            Preferences p;
            ScriptedErrorReport report;
            report.answers = {ErrorAnswer::Ignore};
            ErrorReporter reporter(report);
            QVERIFY(readPreferencesAsStartUp(p, reporter));
            QCOMPARE(report.places, QStringList{u"frmMain:Form_Load"_s});
            QCOMPARE(report.numbers, QList<int>{ErrorNumber::TypeMismatch});
            QCOMPARE(p.TimeZone, 3);
            QCOMPARE(p.RefreshRate, 0);
            QCOMPARE(p.ResolveClients, true);
            QCOMPARE(p.WebRefreshRate, 30);
        }
        {
            // Retry reads again and fails again; Abort ends the reading there.
            Preferences p;
            ScriptedErrorReport report;
            report.answers = {ErrorAnswer::Retry, ErrorAnswer::Abort};
            ErrorReporter reporter(report);
            QVERIFY(!readPreferencesAsStartUp(p, reporter));
            QCOMPARE(report.places.size(), 2);
            QCOMPARE(p.TimeZone, 3);
            QCOMPARE(p.ResolveClients, false); // never reached
        }
    }

    void preferencesOkWritesTheStatedTexts() {
        Preferences p;
        p.TimeZone = -3;
        p.RefreshRate = 10;
        p.ResolveClients = false;
        p.WebStats = true;
        p.WebRefreshRate = 60;
        p.WebLocal = false;
        p.WebFolder = u"/srv/www/stats"_s;
        p.WebFTPServer = u"ftp.example.invalid"_s;
        p.WebFTPUser = u"me"_s;
        p.WebFTPPass = u"s3cret pass"_s;
        SavePreferences(p, 0);

        const QLatin1StringView c = SettingsKey::Common;
        QCOMPARE(stored(c, "Time Zone"_L1), u"-3"_s);
        QCOMPARE(stored(c, "Refresh Rate"_L1), u"10"_s);
        QCOMPARE(stored(c, "AlwaysLoad"_L1), u"0"_s);
        QCOMPARE(stored(c, "ResolveClients"_L1), u"0"_s);
        QCOMPARE(stored(c, "WebStats"_L1), u"1"_s);
        QCOMPARE(stored(c, "WebRefreshRate"_L1), u"60"_s);
        QCOMPARE(stored(c, "WebLocal"_L1), u"0"_s);
        QCOMPARE(stored(c, "WebFolder"_L1), u"/srv/www/stats"_s);
        QCOMPARE(stored(c, "WebFTPServer"_L1), u"ftp.example.invalid"_s);
        QCOMPARE(stored(c, "WebFTPUser"_L1), u"me"_s);
        QCOMPARE(stored(c, "WebFTPPass"_L1), u"s3cret pass"_s);
        QVERIFY(readAllText().contains("s3cret pass")); // plain text, as the user sees it
        QCOMPARE(AlwaysLoadAtStartUp(), 0);

        Preferences back;
        for (const PreferenceSetting& setting : PreferenceSettings())
            ReadPreference(setting, back);
        QCOMPARE(back.TimeZone, p.TimeZone);
        QCOMPARE(back.WebStats, p.WebStats);
        QCOMPARE(back.WebFTPPass, p.WebFTPPass);

        p.ResolveClients = true;
        p.WebLocal = true;
        SavePreferences(p, 1);
        QCOMPARE(stored(c, "ResolveClients"_L1), u"1"_s);
        QCOMPARE(stored(c, "WebLocal"_L1), u"1"_s);
        QCOMPARE(stored(c, "AlwaysLoad"_L1), u"1"_s);
    }

    void fileIsReadableByItsOwnerOnly() {
        constexpr auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                                QFileDevice::WriteOther | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        SaveSetting(SettingsKey::Common, "WebFTPPass"_L1, u"pw"_s);
        QFileInfo info(settingsFile());
        QVERIFY(info.exists());
        QCOMPARE(info.permissions() & others, QFileDevice::Permissions());
        QVERIFY(info.permissions() & QFileDevice::ReadOwner);
        QVERIFY(info.permissions() & QFileDevice::WriteOwner);

        // A file that others could read is closed again by the next write.
        QVERIFY(QFile::setPermissions(settingsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                          QFileDevice::ReadGroup | QFileDevice::ReadOther));
        WindowPlacement placement;
        SaveWindowPlacement(SettingsKey::Common, SettingsKey::ListView, placement);
        info.refresh();
        QCOMPARE(info.permissions() & others, QFileDevice::Permissions());
    }

    void writeFailureIsARunTimeError() {
        QFile blocker(QDir(m_configHome).filePath(u"not-a-folder"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, blocker.fileName() + u"/sub"_s);
        QCOMPARE(errorNumber([] { SaveSetting(SettingsKey::Common, "WebFolder"_L1, u"x"_s); }),
                 ErrorNumber::PathFileAccess);
        QCOMPARE(errorNumber([] { SavePreferences(Preferences(), 1); }), ErrorNumber::PathFileAccess);
        QFile::remove(blocker.fileName());
    }

    void commaDecimalLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        WindowPlacement placement;
        placement.Left = 1.5f;
        placement.Top = 1440;
        placement.Width = 12345.25f;
        placement.Height = -7.5f;
        placement.Columns = {1.5f, 2000.f};
        SaveWindowPlacement(SettingsKey::Common, SettingsKey::ListView, placement);
        QCOMPARE(stored(SettingsKey::Common, SettingsKey::Left), u"1,5"_s);
        QCOMPARE(stored(SettingsKey::Common, SettingsKey::Top), u"1440"_s); // whole twips: no fraction
        QCOMPARE(stored(SettingsKey::Common, SettingsKey::Width), u"12345,25"_s);
        QCOMPARE(stored(SettingsKey::Common, SettingsKey::Height), u"-7,5"_s);
        QCOMPARE(stored(SettingsKey::ListView, "Col1"_L1), u"1,5"_s);
        QCOMPARE(stored(SettingsKey::ListView, "Col2"_L1), u"2000"_s);
        QCOMPARE(GetSingle(SettingsKey::Common, SettingsKey::Left, 0), 1.5f);
        QCOMPARE(GetSingle(SettingsKey::Common, SettingsKey::Width, 0), 12345.25f);
        QCOMPARE(GetSingle(SettingsKey::ListView, SettingsKey::Column(1), 0), 1.5f);

        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        SaveWindowPlacement(SettingsKey::Common, SettingsKey::ListView, placement);
        QCOMPARE(stored(SettingsKey::Common, SettingsKey::Left), u"1.5"_s);
        QCOMPARE(GetSingle(SettingsKey::Common, SettingsKey::Left, 0), 1.5f);
    }

    void placementWritesTheRectangleInTheNormalStateOnly() {
        WindowPlacement placement;
        placement.Left = 100;
        placement.Top = 200;
        placement.Width = 9000;
        placement.Height = 6000;
        placement.Columns = {2000, 1000, 1000, 1200, 1800};
        placement.SortKey = 3;
        placement.SortOrder = 1;
        SaveWindowPlacement(SettingsKey::Common, SettingsKey::ListView, placement);

        placement.WindowState = 2;
        placement.Left = 0;
        placement.Width = 20000;
        placement.Columns[4] = 2500;
        SaveWindowPlacement(SettingsKey::Common, SettingsKey::ListView, placement);
        QCOMPARE(stored(SettingsKey::Common, SettingsKey::WindowState), u"2"_s);
        QCOMPARE(stored(SettingsKey::Common, SettingsKey::Left), u"100"_s);
        QCOMPARE(stored(SettingsKey::Common, SettingsKey::Width), u"9000"_s);
        QCOMPARE(stored(SettingsKey::ListView, "Col5"_L1), u"2500"_s);
        QCOMPARE(stored(SettingsKey::ListView, SettingsKey::SortKey), u"3"_s);
        QCOMPARE(stored(SettingsKey::ListView, SettingsKey::SortOrder), u"1"_s);

        // The detail window keeps everything in "Details".
        WindowPlacement detail;
        detail.Columns = {1500, 1500};
        detail.WindowState = 1;
        SaveWindowPlacement(SettingsKey::Details, SettingsKey::Details, detail);
        QCOMPARE(stored(SettingsKey::Details, SettingsKey::WindowState), u"1"_s);
        QCOMPARE(stored(SettingsKey::Details, SettingsKey::Left), u"<absent>"_s);
        QCOMPARE(stored(SettingsKey::Details, "Col2"_L1), u"1500"_s);
        QCOMPARE(stored(SettingsKey::Details, "Col3"_L1), u"<absent>"_s);
    }

    void placementReadsInOrderWithTheCurrentValuesAsDefaults() {
        WindowPlacement current;
        current.Left = 11;
        current.Top = 22;
        current.Width = 33;
        current.Height = 44;
        current.Columns = {1, 2, 3, 4, 5};
        current.SortKey = 1;
        current.SortOrder = 0;
        {
            WindowPlacement p = current;
            const auto steps = PlacementReadSteps(SettingsKey::Common, SettingsKey::ListView, p);
            QCOMPARE(steps.size(), 5 + 5 + 2);
            for (const auto& step : steps)
                step();
            QCOMPARE(p.Left, 11.f);
            QCOMPARE(p.Height, 44.f);
            QCOMPARE(p.Columns, (QList<float>{1, 2, 3, 4, 5}));
            QCOMPARE(p.SortKey, qint16(1));
        }

        SaveSetting(SettingsKey::Common, SettingsKey::WindowState, u"2"_s);
        SaveSetting(SettingsKey::Common, SettingsKey::Top, u"-300"_s);
        SaveSetting(SettingsKey::ListView, "Col3"_L1, u"2880.5"_s);
        SaveSetting(SettingsKey::ListView, SettingsKey::SortKey, u"4"_s);
        SaveSetting(SettingsKey::ListView, SettingsKey::SortOrder, u"1"_s);
        WindowPlacement p = current;
        for (const auto& step : PlacementReadSteps(SettingsKey::Common, SettingsKey::ListView, p))
            step();
        QCOMPARE(p.WindowState, qint16(2));
        QCOMPARE(p.Left, 11.f);
        QCOMPARE(p.Top, -300.f);
        QCOMPARE(p.Columns, (QList<float>{1, 2, 2880.5f, 4, 5}));
        QCOMPARE(p.SortKey, qint16(4));
        QCOMPARE(p.SortOrder, 1);
    }

    void placementConversionErrors_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        QTest::addRow("window state 3") << u"WindowState"_s << u"3"_s << ErrorNumber::InvalidArgument;
        QTest::addRow("window state -1") << u"WindowState"_s << u"-1"_s << ErrorNumber::InvalidArgument;
        QTest::addRow("window state past 16 bits") << u"WindowState"_s << u"70000"_s << ErrorNumber::Overflow;
        QTest::addRow("window state abc") << u"WindowState"_s << u"abc"_s << ErrorNumber::TypeMismatch;
        QTest::addRow("left abc") << u"Left"_s << u"abc"_s << ErrorNumber::TypeMismatch;
        QTest::addRow("sort key past 16 bits") << u"SortKey"_s << u"40000"_s << ErrorNumber::Overflow;
        QTest::addRow("sort order abc") << u"SortOrder"_s << u"abc"_s << ErrorNumber::TypeMismatch;
    }
    void placementConversionErrors() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(int, error);
        // Main window: window keys in "Common", list keys in "ListView"; the detail window reads
        // both from "Details".
        const bool listKey = key.startsWith(u"Sort"_s);
        SaveSetting(listKey ? SettingsKey::ListView : SettingsKey::Common, key, text);
        SaveSetting(SettingsKey::Common, SettingsKey::Height, u"500"_s);
        SaveSetting(SettingsKey::ListView, SettingsKey::SortOrder, listKey && key == u"SortOrder"_s ? text : u"1"_s);

        WindowPlacement p;
        p.WindowState = 0;
        p.Left = 7;
        p.Columns = {10, 20};
        p.SortKey = 2;
        ScriptedErrorReport report;
        report.answers = {ErrorAnswer::Ignore};
        ErrorReporter reporter(report);
        for (const auto& step : PlacementReadSteps(SettingsKey::Common, SettingsKey::ListView, p))
            QVERIFY(reporter.runStep(u"frmMain:Form_Load"_s, step));
        QCOMPARE(report.numbers, QList<int>{error});
        // Ignore kept the value the window had; the other keys were read.
        QCOMPARE(p.WindowState, qint16(0));
        QCOMPARE(p.Left, 7.f);
        QCOMPARE(p.SortKey, qint16(2));
        QCOMPARE(p.Height, 500.f);
        if (key != u"SortOrder"_s)
            QCOMPARE(p.SortOrder, 1);
    }

private:
    static QByteArray readAllText() {
        QFile file(settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
