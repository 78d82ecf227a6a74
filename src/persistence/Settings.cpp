#include "Settings.h"

#include "common/NumberText.h"
#include "common/RunTimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

QString flagText(bool on) {
    return on ? u"1"_s : u"0"_s;
}

/*
 * Every key of the store with its default. The preferences of "Common" in the order start-up
 * reads them; "AlwaysLoad" has two defaults (below); the placement keys of "Common",
 * "ListView" and "Details" ("WindowState", "Left", "Top", "Width", "Height", "Col1"...,
 * "SortKey", "SortOrder") default to the window's current value.
 */
const PreferenceSetting PreferenceTable[] = {
    {"Time Zone"_L1, "-2"_L1,
     [](Preferences& p, const QString& s) { p.TimeZone = NumberText::toLong(s); },
     [](const Preferences& p) { return QString::number(p.TimeZone); }},
    {"Refresh Rate"_L1, "5"_L1,
     [](Preferences& p, const QString& s) { p.RefreshRate = NumberText::toLong(s); },
     [](const Preferences& p) { return QString::number(p.RefreshRate); }},
    {"ResolveClients"_L1, "1"_L1,
     [](Preferences& p, const QString& s) { p.ResolveClients = NumberText::toFlag(s); },
     [](const Preferences& p) { return flagText(p.ResolveClients); }},
    {"WebStats"_L1, "0"_L1,
     [](Preferences& p, const QString& s) { p.WebStats = NumberText::toFlag(s); },
     [](const Preferences& p) { return flagText(p.WebStats); }},
    {"WebRefreshRate"_L1, "30"_L1,
     [](Preferences& p, const QString& s) { p.WebRefreshRate = NumberText::toLong(s); },
     [](const Preferences& p) { return QString::number(p.WebRefreshRate); }},
    {"WebLocal"_L1, "1"_L1,
     [](Preferences& p, const QString& s) { p.WebLocal = NumberText::toFlag(s); },
     [](const Preferences& p) { return flagText(p.WebLocal); }},
    {"WebFolder"_L1,
     {},
     [](Preferences& p, const QString& s) { p.WebFolder = s; },
     [](const Preferences& p) { return p.WebFolder; }},
    {"WebFTPServer"_L1,
     {},
     [](Preferences& p, const QString& s) { p.WebFTPServer = s; },
     [](const Preferences& p) { return p.WebFTPServer; }},
    {"WebFTPUser"_L1,
     {},
     [](Preferences& p, const QString& s) { p.WebFTPUser = s; },
     [](const Preferences& p) { return p.WebFTPUser; }},
    {"WebFTPPass"_L1,
     {},
     [](Preferences& p, const QString& s) { p.WebFTPPass = s; },
     [](const Preferences& p) { return p.WebFTPPass; }},
};

constexpr QLatin1StringView AlwaysLoadStartUpDefault = "1"_L1;
constexpr QLatin1StringView AlwaysLoadPreferencesDefault = "0"_L1;

/** Where the dialog's OK writes "AlwaysLoad": after "Refresh Rate". */
constexpr qsizetype AlwaysLoadWritePosition = 2;

QString settingPath(QAnyStringView section, QAnyStringView key) {
    return section.toString() + u'/' + key.toString();
}

const QString ApplicationName = u"Quillmere Log Analyzer"_s;
constexpr qint64 MaxStoreFileSize = 1 << 20;

/** The store's file, found without reading it: a name that has no file tells the folder. */
QString storeFilePath() {
    const QSettings probe(QSettings::IniFormat, QSettings::UserScope, ApplicationName + u"-"_s);
    return QFileInfo(probe.fileName()).absolutePath() + u'/' + ApplicationName + u".ini"_s;
}

/** Whether the file (or its lock file) is something QSettings must not open: a FIFO would
 *  block it for ever, a link to /dev/zero fill the memory. */
bool unsafeToRead(const QString& path) {
    for (const QString& file : {path, path + u".lock"_s}) {
        const QFileInfo info(file);
        if ((info.exists() || info.isSymLink()) &&
            (!info.isFile() || info.size() > MaxStoreFileSize))
            return true;
    }
    return false;
}

} // namespace

namespace SettingsKey {
QString column(int number) {
    return u"Col"_s + QString::number(number);
}
} // namespace SettingsKey

// ---- SettingsStore -----------------------------------------------------------------------

SettingsStore::SettingsStore() {
    const QString path = storeFilePath();
    if (unsafeToRead(path))
        m_unusablePath = path; // read as empty, never written: every key gives its default
    else
        m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                 ApplicationName);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const {
    return m_settings ? m_settings->fileName() : m_unusablePath;
}

std::optional<QString> SettingsStore::storedText(QAnyStringView section, QAnyStringView key) const {
    if (!m_settings)
        return std::nullopt;
    const QVariant value = m_settings->value(settingPath(section, key));
    if (!value.isValid())
        return std::nullopt;
    // A hand-edited value with an unquoted comma reads back as a list; it was one text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

QString SettingsStore::GetSetting(QAnyStringView section, QAnyStringView key,
                                  const QString& defaultText) const {
    return storedText(section, key).value_or(defaultText);
}

void SettingsStore::SaveSetting(QAnyStringView section, QAnyStringView key, const QString& text) {
    if (m_settings)
        m_settings->setValue(settingPath(section, key), text);
}

void SettingsStore::commit() {
    if (!m_settings)
        throw RunTimeError(ErrorNumber::PathFileAccess, u"Path/File access error"_s);
    const QString path = m_settings->fileName();
    constexpr auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!QFileInfo::exists(path)) {
        // Created owner-only before anything is in it; later writes keep its permissions.
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile(path).open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly);
    }
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        throw RunTimeError(ErrorNumber::PathFileAccess, u"Path/File access error"_s);
    QFile::setPermissions(path, ownerOnly);
}

QString GetSetting(QAnyStringView section, QAnyStringView key, const QString& defaultText) {
    return SettingsStore().GetSetting(section, key, defaultText);
}

void SaveSetting(QAnyStringView section, QAnyStringView key, const QString& text) {
    SettingsStore store;
    store.SaveSetting(section, key, text);
    store.commit();
}

// ---- Preferences -------------------------------------------------------------------------

std::span<const PreferenceSetting> preferenceSettings() {
    return PreferenceTable;
}

void readPreference(const PreferenceSetting& setting, Preferences& preferences) {
    setting.assign(preferences,
                   GetSetting(SettingsKey::Common, setting.key, QString(setting.defaultText)));
}

qint32 alwaysLoadAtStartUp() {
    return NumberText::toLong(
        GetSetting(SettingsKey::Common, SettingsKey::AlwaysLoad, AlwaysLoadStartUpDefault));
}

qint32 alwaysLoadInPreferences() {
    return NumberText::toLong(
        GetSetting(SettingsKey::Common, SettingsKey::AlwaysLoad, AlwaysLoadPreferencesDefault));
}

void savePreferences(const Preferences& preferences, qint32 alwaysLoad) {
    SettingsStore store;
    qsizetype position = 0;
    for (const PreferenceSetting& setting : preferenceSettings()) {
        if (position++ == AlwaysLoadWritePosition)
            store.SaveSetting(SettingsKey::Common, SettingsKey::AlwaysLoad,
                              QString::number(alwaysLoad));
        store.SaveSetting(SettingsKey::Common, setting.key, setting.text(preferences));
    }
    store.commit();
}

// ---- Window placement --------------------------------------------------------------------

qint16 getInteger(QAnyStringView section, QAnyStringView key, qint16 current) {
    const std::optional<QString> stored = SettingsStore().storedText(section, key);
    return stored ? NumberText::toInteger(*stored) : current;
}

qint32 getLong(QAnyStringView section, QAnyStringView key, qint32 current) {
    const std::optional<QString> stored = SettingsStore().storedText(section, key);
    return stored ? NumberText::toLong(*stored) : current;
}

float getSingle(QAnyStringView section, QAnyStringView key, float current) {
    const std::optional<QString> stored = SettingsStore().storedText(section, key);
    return stored ? NumberText::toSingle(*stored) : current;
}

qint16 getWindowState(QAnyStringView section, qint16 current) {
    const qint16 state = getInteger(section, SettingsKey::WindowState, current);
    if (state < 0 || state > 2)
        throw invalidPropertyValue();
    return state;
}

QList<std::function<void()>> placementReadSteps(QLatin1StringView windowSection,
                                                QLatin1StringView listSection,
                                                WindowPlacement& placement) {
    WindowPlacement* p = &placement;
    QList<std::function<void()>> steps;
    steps << [=] { p->windowState = getWindowState(windowSection, p->windowState); }
          << [=] { p->left = getSingle(windowSection, SettingsKey::Left, p->left); }
          << [=] { p->top = getSingle(windowSection, SettingsKey::Top, p->top); }
          << [=] { p->width = getSingle(windowSection, SettingsKey::Width, p->width); }
          << [=] { p->height = getSingle(windowSection, SettingsKey::Height, p->height); };
    for (qsizetype c = 0; c < placement.columns.size(); ++c)
        steps << [=] {
            p->columns[c] = getSingle(listSection, SettingsKey::column(int(c + 1)), p->columns[c]);
        };
    steps << [=] { p->sortKey = getInteger(listSection, SettingsKey::SortKey, p->sortKey); }
          << [=] { p->sortOrder = getLong(listSection, SettingsKey::SortOrder, p->sortOrder); };
    return steps;
}

void saveWindowPlacement(QLatin1StringView windowSection, QLatin1StringView listSection,
                         const WindowPlacement& placement) {
    SettingsStore store;
    store.SaveSetting(windowSection, SettingsKey::WindowState,
                      QString::number(placement.windowState));
    if (placement.windowState == 0) { // the normal-state rectangle only
        store.SaveSetting(windowSection, SettingsKey::Left, NumberText::fromSingle(placement.left));
        store.SaveSetting(windowSection, SettingsKey::Top, NumberText::fromSingle(placement.top));
        store.SaveSetting(windowSection, SettingsKey::Width,
                          NumberText::fromSingle(placement.width));
        store.SaveSetting(windowSection, SettingsKey::Height,
                          NumberText::fromSingle(placement.height));
    }
    for (qsizetype c = 0; c < placement.columns.size(); ++c)
        store.SaveSetting(listSection, SettingsKey::column(int(c + 1)),
                          NumberText::fromSingle(placement.columns[c]));
    store.SaveSetting(listSection, SettingsKey::SortKey, QString::number(placement.sortKey));
    store.SaveSetting(listSection, SettingsKey::SortOrder, QString::number(placement.sortOrder));
    store.commit();
}
