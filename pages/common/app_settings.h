#pragma once
// The user's settings, kept between runs in the configuration folder
// ($XDG_CONFIG_HOME/quillet/quillet.conf). Each feature reads and writes its own keys here
// (grouped by a prefix such as "log/" or "send/") and checks what it reads: a value of the
// wrong type or out of range gives that feature's default.
//
// A file that cannot be read or parsed, or holds what no settings file does (zero bytes, text
// that is not UTF-8), is moved aside (to quillet.conf.damaged) with one warning line on standard
// error and a notice for the window (Tell), and the program starts from the defaults.
//
// Threads: user-interface thread only. Workers get what they need as plain values from the
// page, never from here.
#include <QString>
#include <QStringList>
#include <QVariant>

namespace quillet::pages::settings {

// Opens the settings file; called once at start-up (and implied by the first Value/SetValue).
void Open();
// The stored value under `key`, or `fallback` when there is none.
QVariant Value(const QString& key, const QVariant& fallback = {});
// Stores `value` under `key` and writes it out soon after.
void SetValue(const QString& key, const QVariant& value);
// Typed reads that fall back on a missing, mistyped or out-of-range value.
int IntValue(const QString& key, int fallback, int lowest, int highest);
bool BoolValue(const QString& key, bool fallback);

// Something the user should know about the settings (a damaged file set aside, a value brought
// into its range): written to standard error at once, and kept for the window to show.
void Tell(const QString& text);
// What Tell kept since the last call, oldest first.
QStringList TakeNotices();

// Test seam: keep the settings in `path` instead of the user's file (an empty path returns to
// it). Reopens at once, so what was set before is forgotten.
void UseFileForTest(const QString& path);
// The file in use.
QString FilePath();

}  // namespace quillet::pages::settings
