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
    for (const PreferenceSetting& setting : preferenceSettings())
        if (setting.key == key)
            return setting;
    qFatal("no preference %s", key.data());
}

QString stored(QLatin1StringView section, QAnyStringView key) {
    return SettingsStore().storedText(section, key).value_or(u"<absent>"_s);
}

QString settingsFile() {
    return SettingsStore().fileName();
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

/** A placement in one line: state, rectangle, [columns], sort key and order. */
QString describe(const WindowPlacement& p) {
    QStringList columns;
    for (const float width : p.columns)
        columns << QString::number(width);
    return u"%1 %2 %3 %4 %5 [%6] %7 %8"_s.arg(p.windowState)
        .arg(p.left)
        .arg(p.top)
        .arg(p.width)
        .arg(p.height)
        .arg(columns.join(u' '))
        .arg(p.sortKey)
        .arg(p.sortOrder);
}

QStringList storedTexts(QLatin1StringView section, std::initializer_list<QLatin1StringView> keys) {
    QStringList texts;
    for (const QLatin1StringView key : keys)
        texts << stored(section, key);
    return texts;
}

/** Reads every preference the way start-up does: one reported step each. */
bool readPreferencesAsStartUp(Preferences& preferences, ErrorReporter& reporter) {
    for (const PreferenceSetting& setting : preferenceSettings())
        if (!reporter.runStep(u"frmMain:Form_Load"_s,
                              [&] { readPreference(setting, preferences); }))
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
        QCOMPARE(settingsFile(),
                 qEnvironmentVariable("XDG_CONFIG_HOME") + u"/Quillmere Log Analyzer.ini"_s);
        QCOMPARE(GetSetting(SettingsKey::Common, "Nothing"_L1), QString());
        QCOMPARE(GetSetting(SettingsKey::Common, "Nothing"_L1, u"dflt"_s), u"dflt"_s);
        SaveSetting(SettingsKey::Details, "Text"_L1, u"a, b = c; \"d\""_s);
        QCOMPARE(GetSetting(SettingsKey::Details, "Text"_L1, u"dflt"_s), u"a, b = c; \"d\""_s);
        QCOMPARE(GetSetting(SettingsKey::Common, "Text"_L1, u"dflt"_s),
                 u"dflt"_s); // sections apart
    }

    void firstStartDefaults() {
        QStringList keys;
        for (const PreferenceSetting& setting : preferenceSettings())
            keys << QString(setting.key);
        QCOMPARE(keys.join(u','),
                 u"Time Zone,Refresh Rate,ResolveClients,WebStats,WebRefreshRate,WebLocal,"
                 "WebFolder,WebFTPServer,WebFTPUser,WebFTPPass"_s);

        Preferences p;
        ScriptedErrorReport report;
        ErrorReporter reporter(report);
        QVERIFY(readPreferencesAsStartUp(p, reporter));
        QCOMPARE(report.places, QStringList());
        QCOMPARE(describe(p), u"-2 5 1 0 30 1 [] [] [] []"_s);
        QCOMPARE(alwaysLoadAtStartUp(), 1);
        QCOMPARE(alwaysLoadInPreferences(), 0);
        QVERIFY(!QFileInfo::exists(settingsFile())); // reading writes nothing
    }

    void numbersAndFlags_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("value"); // the whole number; a flag is on for 1 only
        QTest::addRow("1") << u"1"_s << 1;
        QTest::addRow("0") << u"0"_s << 0;
        QTest::addRow("2") << u"2"_s << 2;
        QTest::addRow("-1") << u"-1"_s << -1;
        QTest::addRow("negative") << u"-11"_s << -11;
        QTest::addRow("blanks around 1") << u"  1 "_s << 1;
        QTest::addRow("blanks") << u" 12  "_s << 12;
        QTest::addRow("1.0") << u"1.0"_s << 1;
        QTest::addRow("0.5 rounds to even, down") << u"0.5"_s << 0;
        QTest::addRow("half rounds to even, down") << u"2.5"_s << 2;
        QTest::addRow("half rounds to even, up") << u"3.5"_s << 4;
        QTest::addRow("negative half") << u"-2.5"_s << -2;
        QTest::addRow("fraction") << u"4.6"_s << 5;
    }
    void numbersAndFlags() {
        QFETCH(QString, text);
        QFETCH(qint32, value);
        Preferences p;
        for (const auto key :
             {"ResolveClients"_L1, "WebStats"_L1, "WebLocal"_L1, "Refresh Rate"_L1}) {
            SaveSetting(SettingsKey::Common, key, text);
            readPreference(preference(key), p);
        }
        QCOMPARE((QList<bool>{p.ResolveClients, p.WebStats, p.WebLocal}),
                 QList<bool>(3, value == 1));
        QCOMPARE(p.RefreshRate, value);
        SaveSetting(SettingsKey::Common, SettingsKey::AlwaysLoad, text);
        QCOMPARE(alwaysLoadAtStartUp(), value);
        QCOMPARE(alwaysLoadInPreferences(), value);
    }

    void conversionErrors_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        QTest::addRow("abc refresh rate")
            << u"Refresh Rate"_s << u"abc"_s << ErrorNumber::TypeMismatch;
        QTest::addRow("empty time zone")
            << u"Time Zone"_s << QString() << ErrorNumber::TypeMismatch;
        QTest::addRow("number and text")
            << u"WebRefreshRate"_s << u"30s"_s << ErrorNumber::TypeMismatch;
        QTest::addRow("past 32 bits")
            << u"WebRefreshRate"_s << u"3000000000"_s << ErrorNumber::Overflow;
        QTest::addRow("abc flag") << u"WebStats"_s << u"abc"_s << ErrorNumber::TypeMismatch;
    }
    void conversionErrors() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(int, error);
        SaveSetting(SettingsKey::Common, key, text);
        Preferences p;
        const QByteArray latin = key.toLatin1();
        QCOMPARE(errorNumber([&] { readPreference(preference(QLatin1StringView(latin)), p); }),
                 error);
        QCOMPARE(describe(p), describe(Preferences())); // nothing was assigned
    }

    void reportedReadsOfStartUp() {
        SaveSetting(SettingsKey::Common, "Time Zone"_L1, u"3"_s);
        SaveSetting(SettingsKey::Common, "Refresh Rate"_L1, u"abc"_s);
        for (const bool ignore : {true, false}) {
            // Ignore skips just that one assignment: the preference keeps its initial value.
            // Retry reads again and fails again; Abort ends the reading there.
            Preferences p;
            ScriptedErrorReport report;
            report.answers =
                ignore ? QList{ErrorAnswer::Ignore} : QList{ErrorAnswer::Retry, ErrorAnswer::Abort};
            ErrorReporter reporter(report);
            QCOMPARE(readPreferencesAsStartUp(p, reporter), ignore);
            QCOMPARE(report.places, QStringList(ignore ? 1 : 2, u"frmMain:Form_Load"_s));
            QCOMPARE(report.numbers, QList<int>(ignore ? 1 : 2, ErrorNumber::TypeMismatch));
            QCOMPARE(describe(p),
                     ignore ? u"3 0 1 0 30 1 [] [] [] []"_s : u"3 0 0 0 0 0 [] [] [] []"_s);
        }
    }

    void preferencesOkWritesTheStatedTexts() {
        Preferences p{.TimeZone = -3,
                      .RefreshRate = 10,
                      .ResolveClients = false,
                      .WebStats = true,
                      .WebRefreshRate = 60,
                      .WebLocal = false,
                      .WebFolder = u"/srv/www/stats"_s,
                      .WebFTPServer = u"ftp.example.invalid"_s,
                      .WebFTPUser = u"me"_s,
                      .WebFTPPass = u"s3cret pass"_s};
        savePreferences(p, 0);

        const QLatin1StringView c = SettingsKey::Common;
        QCOMPARE(
            storedTexts(c, {"Time Zone"_L1, "Refresh Rate"_L1, "AlwaysLoad"_L1, "ResolveClients"_L1,
                            "WebStats"_L1, "WebRefreshRate"_L1, "WebLocal"_L1, "WebFolder"_L1,
                            "WebFTPServer"_L1, "WebFTPUser"_L1, "WebFTPPass"_L1}),
            (QStringList{u"-3"_s, u"10"_s, u"0"_s, u"0"_s, u"1"_s, u"60"_s, u"0"_s,
                         u"/srv/www/stats"_s, u"ftp.example.invalid"_s, u"me"_s,
                         u"s3cret pass"_s}));
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly) &&
                file.readAll().contains("s3cret pass")); // plain text
        QCOMPARE(alwaysLoadAtStartUp(), 0);

        Preferences back;
        for (const PreferenceSetting& setting : preferenceSettings())
            readPreference(setting, back);
        QCOMPARE(describe(back), describe(p));

        p.ResolveClients = true;
        p.WebLocal = true;
        savePreferences(p, 1);
        QCOMPARE(storedTexts(c, {"ResolveClients"_L1, "WebLocal"_L1, "AlwaysLoad"_L1}),
                 QStringList(3, u"1"_s));
    }

    void fileIsReadableByItsOwnerOnly() {
        constexpr auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                QFileDevice::ReadOther | QFileDevice::WriteOther |
                                QFileDevice::ExeGroup | QFileDevice::ExeOther;
        constexpr auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        SaveSetting(SettingsKey::Common, "WebFTPPass"_L1, u"pw"_s);
        QFileInfo info(settingsFile());
        QCOMPARE(info.permissions() & (others | owner), QFileDevice::Permissions(owner));

        // A file that others could read is closed again by the next write.
        QVERIFY(QFile::setPermissions(settingsFile(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadGroup | QFileDevice::ReadOther));
        saveWindowPlacement(SettingsKey::Common, SettingsKey::ListView, WindowPlacement());
        info.refresh();
        QCOMPARE(info.permissions() & others, QFileDevice::Permissions());
    }

    void writeFailureIsARunTimeError() {
        QFile blocker(QDir(m_configHome).filePath(u"not-a-folder"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           blocker.fileName() + u"/sub"_s);
        QCOMPARE(errorNumber([] { SaveSetting(SettingsKey::Common, "WebFolder"_L1, u"x"_s); }),
                 ErrorNumber::PathFileAccess);
        QCOMPARE(errorNumber([] { savePreferences(Preferences(), 1); }),
                 ErrorNumber::PathFileAccess);
        QFile::remove(blocker.fileName());
    }

    void commaDecimalLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const WindowPlacement placement{.left = 1.5f,
                                        .top = 1440,
                                        .width = 12345.25f,
                                        .height = -7.5f,
                                        .columns = {1.5f, 2000.f}};
        saveWindowPlacement(SettingsKey::Common, SettingsKey::ListView, placement);
        // Whole twips are written without a fraction.
        QCOMPARE(storedTexts(SettingsKey::Common, {SettingsKey::Left, SettingsKey::Top,
                                                   SettingsKey::Width, SettingsKey::Height}),
                 (QStringList{u"1,5"_s, u"1440"_s, u"12345,25"_s, u"-7,5"_s}));
        QCOMPARE(storedTexts(SettingsKey::ListView, {"Col1"_L1, "Col2"_L1}),
                 (QStringList{u"1,5"_s, u"2000"_s}));
        QCOMPARE(getSingle(SettingsKey::Common, SettingsKey::Left, 0), 1.5f);
        QCOMPARE(getSingle(SettingsKey::Common, SettingsKey::Width, 0), 12345.25f);
        QCOMPARE(getSingle(SettingsKey::ListView, SettingsKey::column(1), 0), 1.5f);

        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        saveWindowPlacement(SettingsKey::Common, SettingsKey::ListView, placement);
        QCOMPARE(stored(SettingsKey::Common, SettingsKey::Left), u"1.5"_s);
        QCOMPARE(getSingle(SettingsKey::Common, SettingsKey::Left, 0), 1.5f);
    }

    void placementWritesTheRectangleInTheNormalStateOnly() {
        WindowPlacement placement{.left = 100,
                                  .top = 200,
                                  .width = 9000,
                                  .height = 6000,
                                  .columns = {2000, 1000, 1000, 1200, 1800},
                                  .sortKey = 3,
                                  .sortOrder = 1};
        saveWindowPlacement(SettingsKey::Common, SettingsKey::ListView, placement);

        placement.windowState = 2;
        placement.left = 0;
        placement.width = 20000;
        placement.columns[4] = 2500;
        saveWindowPlacement(SettingsKey::Common, SettingsKey::ListView, placement);
        QCOMPARE(storedTexts(SettingsKey::Common,
                             {SettingsKey::WindowState, SettingsKey::Left, SettingsKey::Width}),
                 (QStringList{u"2"_s, u"100"_s, u"9000"_s}));
        QCOMPARE(storedTexts(SettingsKey::ListView,
                             {"Col5"_L1, SettingsKey::SortKey, SettingsKey::SortOrder}),
                 (QStringList{u"2500"_s, u"3"_s, u"1"_s}));

        // The detail window keeps everything in "Details".
        saveWindowPlacement(SettingsKey::Details, SettingsKey::Details,
                            WindowPlacement{.windowState = 1, .columns = {1500, 1500}});
        QCOMPARE(storedTexts(SettingsKey::Details,
                             {SettingsKey::WindowState, SettingsKey::Left, "Col2"_L1, "Col3"_L1}),
                 (QStringList{u"1"_s, u"<absent>"_s, u"1500"_s, u"<absent>"_s}));
    }

    void placementReadsInOrderWithTheCurrentValuesAsDefaults() {
        const WindowPlacement current{.left = 11,
                                      .top = 22,
                                      .width = 33,
                                      .height = 44,
                                      .columns = {1, 2, 3, 4, 5},
                                      .sortKey = 1};
        {
            // Nothing stored: every value stays.
            WindowPlacement p = current;
            const auto steps = placementReadSteps(SettingsKey::Common, SettingsKey::ListView, p);
            QCOMPARE(steps.size(), 5 + 5 + 2);
            for (const auto& step : steps)
                step();
            QCOMPARE(describe(p), describe(current));
        }

        SaveSetting(SettingsKey::Common, SettingsKey::WindowState, u"2"_s);
        SaveSetting(SettingsKey::Common, SettingsKey::Top, u"-300"_s);
        SaveSetting(SettingsKey::ListView, "Col3"_L1, u"2880.5"_s);
        SaveSetting(SettingsKey::ListView, SettingsKey::SortKey, u"4"_s);
        SaveSetting(SettingsKey::ListView, SettingsKey::SortOrder, u"1"_s);
        WindowPlacement p = current;
        for (const auto& step : placementReadSteps(SettingsKey::Common, SettingsKey::ListView, p))
            step();
        QCOMPARE(describe(p), u"2 11 -300 33 44 [1 2 2880.5 4 5] 4 1"_s);
    }

    void placementConversionErrors_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        QTest::addRow("window state 3")
            << u"WindowState"_s << u"3"_s << ErrorNumber::InvalidPropertyValue;
        QTest::addRow("window state -1")
            << u"WindowState"_s << u"-1"_s << ErrorNumber::InvalidPropertyValue;
        QTest::addRow("window state past 16 bits")
            << u"WindowState"_s << u"70000"_s << ErrorNumber::Overflow;
        QTest::addRow("window state abc")
            << u"WindowState"_s << u"abc"_s << ErrorNumber::TypeMismatch;
        QTest::addRow("left abc") << u"Left"_s << u"abc"_s << ErrorNumber::TypeMismatch;
        QTest::addRow("sort key past 16 bits")
            << u"SortKey"_s << u"40000"_s << ErrorNumber::Overflow;
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
        SaveSetting(SettingsKey::ListView, SettingsKey::SortOrder,
                    listKey && key == u"SortOrder"_s ? text : u"1"_s);

        WindowPlacement p{.left = 7, .columns = {10, 20}, .sortKey = 2};
        ScriptedErrorReport report;
        report.answers = {ErrorAnswer::Ignore};
        ErrorReporter reporter(report);
        for (const auto& step : placementReadSteps(SettingsKey::Common, SettingsKey::ListView, p))
            QVERIFY(reporter.runStep(u"frmMain:Form_Load"_s, step));
        QCOMPARE(report.numbers, QList<int>{error});
        // Ignore kept the value the window had; the other keys were read.
        QCOMPARE(describe(p), u"0 7 0 0 500 [10 20] 2 %1"_s.arg(key == u"SortOrder"_s ? 0 : 1));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
