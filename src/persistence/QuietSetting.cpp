#include "QuietSetting.h"

#include "Settings.h"

#include "common/NumberText.h"
#include "common/RunTimeError.h"
#include "stats/QuietClients.h"

qint32 ReadQuietClientHours() {
    const QString stored = GetSetting(SettingsKey::Common, SettingsKey::QuietClientHours);
    try {
        const qint32 hours = NumberText::toLong(stored);
        return hours >= 0 ? hours : QuietClients::DefaultHours;
    } catch (const RunTimeError&) {
        return QuietClients::DefaultHours; // absent or not a number
    }
}

void SaveQuietClientHours(qint32 hours) {
    SaveSetting(SettingsKey::Common, SettingsKey::QuietClientHours, QString::number(hours));
}
