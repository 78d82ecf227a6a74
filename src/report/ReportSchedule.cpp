#include "ReportSchedule.h"

#include "FolderCheck.h"

#include "common/RunTimeError.h"
#include "persistence/AppPaths.h"
#include "persistence/Settings.h"

#include <QFileInfo>

#include <unistd.h>

#include <algorithm>

ReportSchedule::Outcome ReportSchedule::pass(const Preferences& preferences, const Writer& write) {
    if (!preferences.WebStats)
        return Outcome::Off; // switched on again later, the schedule resumes from here
    if (m_countdown > 0) {
        --m_countdown;
        return Outcome::Waiting;
    }
    // A rate of 1 or less means every pass; taking it as 1 keeps INT_MIN from overflowing.
    m_countdown = std::max(preferences.WebRefreshRate, 1) - 1;
    const QString folder = reportFolder(preferences);
    if (folder.isEmpty())
        return Outcome::NoFolder;
    try {
        write(folder);
    } catch (const RunTimeError&) {
        return Outcome::Failed;
    }
    return Outcome::Written;
}

QString ReportSchedule::reportFolder(const Preferences& preferences) {
    if (preferences.WebLocal)
        return FolderCheck::expandHome(preferences.WebFolder);
    const QString temp = qEnvironmentVariable("TEMP");
    if (!temp.isEmpty())
        return temp;
    // Never the shared temporary folder, where others can plant files: the user's own runtime
    // folder (the system makes it, mode 0700), else the data folder.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QFileInfo info(runtime);
    if (!runtime.isEmpty() && info.isDir() && !info.isSymLink() && info.ownerId() == ::geteuid() &&
        (info.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther)) == 0)
        return runtime;
    return AppPaths::dataFolder();
}
