#pragma once

#include <QLatin1StringView>

namespace SettingsKey {
using namespace Qt::StringLiterals;
/** Section "Common": hours of silence before a client counts as gone quiet; "0" is off. */
inline constexpr QLatin1StringView QuietClientHours = "QuietClientHours"_L1;
} // namespace SettingsKey

/**
 * "QuietClientHours" as the program reads it at start-up. Absent, not a whole number, or
 * negative: the default (QuietClients::DefaultHours); a fraction rounds as every stored
 * number does.
 */
qint32 ReadQuietClientHours();

/** Stores hours as decimal text; throws a RunTimeError when the store cannot be written. */
void SaveQuietClientHours(qint32 hours);
