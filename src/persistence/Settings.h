#pragma once

#include <QAnyStringView>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <span>

class QSettings;

/** Sections and keys of the settings store. */
namespace SettingsKey {
using namespace Qt::StringLiterals;
inline constexpr QLatin1StringView Common = "Common"_L1;
inline constexpr QLatin1StringView ListView = "ListView"_L1;
inline constexpr QLatin1StringView Details = "Details"_L1;

inline constexpr QLatin1StringView AlwaysLoad = "AlwaysLoad"_L1;
inline constexpr QLatin1StringView WindowState = "WindowState"_L1;
inline constexpr QLatin1StringView Left = "Left"_L1;
inline constexpr QLatin1StringView Top = "Top"_L1;
inline constexpr QLatin1StringView Width = "Width"_L1;
inline constexpr QLatin1StringView Height = "Height"_L1;
inline constexpr QLatin1StringView SortKey = "SortKey"_L1;
inline constexpr QLatin1StringView SortOrder = "SortOrder"_L1;
/** "Col1", "Col2", ...: the width of the list column number (counted from 1). */
QString column(int number);
} // namespace SettingsKey

/**
 * The per-user settings store of "Quillmere Log Analyzer": text values addressed by section
 * and key, kept in an INI file in the user's configuration folder. Writes go to disk in
 * commit(), which leaves the file readable by its owner only (the FTP password is in it as
 * plain text). A file that is not a regular file of sane size (a FIFO, a link to a device) is
 * never opened: the store then reads as empty and cannot be written.
 */
class SettingsStore {
public:
    SettingsStore();
    ~SettingsStore();

    /** The stored text, or defaultText when the key (or its section) is absent. */
    QString GetSetting(QAnyStringView section, QAnyStringView key,
                       const QString& defaultText = QString()) const;
    /** The stored text, or nothing when the key is absent. */
    std::optional<QString> storedText(QAnyStringView section, QAnyStringView key) const;
    /** Stores text under section and key, creating both when needed; see commit(). */
    void SaveSetting(QAnyStringView section, QAnyStringView key, const QString& text);
    /**
     * Writes what was stored to disk, mode 0600. Throws a RunTimeError (PathFileAccess)
     * when the file cannot be written.
     */
    void commit();

    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings; ///< null while the file is unusable
    QString m_unusablePath;
};

/** One read of the store: the stored text, or defaultText when absent. */
QString GetSetting(QAnyStringView section, QAnyStringView key,
                   const QString& defaultText = QString());
/** One write of the store, on disk at once; throws a RunTimeError when it cannot be written. */
void SaveSetting(QAnyStringView section, QAnyStringView key, const QString& text);

/** The user's preferences, process-wide; before start-up reads them: 0, off and empty. */
struct Preferences {
    qint32 TimeZone = 0;    ///< hours added to the local clock to get the log's clock
    qint32 RefreshRate = 0; ///< timer ticks between two processing runs
    bool ResolveClients = false;
    bool WebStats = false;
    qint32 WebRefreshRate = 0; ///< seconds between two writes of the HTML report
    bool WebLocal = false;
    QString WebFolder;
    QString WebFTPServer;
    QString WebFTPUser;
    QString WebFTPPass;
};

/** One preference of section "Common": its key, start-up's default and its text forms. */
struct PreferenceSetting {
    QLatin1StringView key;
    /** What start-up reads an absent key as (empty: no default). */
    QLatin1StringView defaultText;
    /** Converts the stored text and assigns it; throws the conversion error before assigning. */
    void (*assign)(Preferences& preferences, const QString& stored);
    /** The text the preferences dialog stores. */
    QString (*text)(const Preferences& preferences);
};

/**
 * The preferences in the order start-up reads them ("Time Zone" ... "WebFTPPass"). Start-up
 * runs readPreference for each entry as one step of its error report, so that Ignore skips
 * just that assignment.
 */
std::span<const PreferenceSetting> preferenceSettings();
/** Reads one preference with its default, converts it and assigns it. */
void readPreference(const PreferenceSetting& setting, Preferences& preferences);

/** "AlwaysLoad" as start-up reads it: absent means 1 (continue without asking). */
qint32 alwaysLoadAtStartUp();
/** "AlwaysLoad" as the preferences dialog reads it: absent means 0 (box clear). */
qint32 alwaysLoadInPreferences();
/**
 * The preferences dialog's OK: "Time Zone", "Refresh Rate", "AlwaysLoad", "ResolveClients",
 * "WebStats", "WebRefreshRate", "WebLocal", "WebFolder", "WebFTPServer", "WebFTPUser",
 * "WebFTPPass", in this order. Throws a RunTimeError when the store cannot be written.
 */
void savePreferences(const Preferences& preferences, qint32 alwaysLoad);

/**
 * A window's saved placement: state (0 normal, 1 minimised, 2 maximised), the normal-state
 * rectangle and the column widths in twips, and the list's sort column and order.
 */
struct WindowPlacement {
    qint16 windowState = 0;
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    QList<float> columns;
    qint16 sortKey = 0;
    qint32 sortOrder = 0;
};

/*
 * Typed readers of placement keys. Each takes the current value as its default and throws
 * the conversion error (TypeMismatch, Overflow) for stored text that does not convert.
 */
/** "WindowState" as a 16-bit integer; a state outside 0 to 2 throws InvalidPropertyValue. */
qint16 getWindowState(QAnyStringView section, qint16 current);
qint16 getInteger(QAnyStringView section, QAnyStringView key, qint16 current);
qint32 getLong(QAnyStringView section, QAnyStringView key, qint32 current);
float getSingle(QAnyStringView section, QAnyStringView key, float current);

/**
 * The reads of a placement in their order: "WindowState", "Left", "Top", "Width", "Height"
 * from windowSection, then "Col1"... for each entry of placement.columns, "SortKey" and
 * "SortOrder" from listSection. Every step reads one key with the value in placement as its
 * default and assigns it there; a failing step throws and leaves that value as it was.
 * placement must outlive the steps.
 */
QList<std::function<void()>> placementReadSteps(QLatin1StringView windowSection,
                                                QLatin1StringView listSection,
                                                WindowPlacement& placement);

/**
 * Writes a placement at unload: "WindowState"; "Left", "Top", "Width", "Height" only in the
 * normal state; the columns, "SortKey" and "SortOrder". Throws a RunTimeError when the store
 * cannot be written.
 */
void saveWindowPlacement(QLatin1StringView windowSection, QLatin1StringView listSection,
                         const WindowPlacement& placement);
