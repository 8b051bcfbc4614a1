#pragma once

// The program's settings as they sit in the store below "Software\Pontavi",
// with their defaults, and the complete read and write in the program's fixed
// order. Integers and booleans are decimal texts, lists are sections of values
// named "0", "1", ... read back in stored order, and mail passwords are stored
// scrambled.

#include <string>
#include <string_view>
#include <vector>

#include "app/settings_store.h"
#include "connection/connection_state.h"
#include "mail/mail_server_record.h"
#include "platform/event_loop.h"

namespace pontavi {

class VelkEncryption;

struct AppSettings {
    // "Options"
    bool AlwaysOnTop = false;
    bool UseFirst = true;
    int AppsDelay = 5;  // seconds, 3..1800
    bool UpdateClock = false;
    bool CopyIP = false;
    bool AutoCopy = true;
    bool DisplayAtStartup = false;
    int StartupSection = 0;  // page index; -1 when none is selected
    // A record of the box; the autostart entry, when there is one to ask, decides.
    bool StartAtLogin = false;
    // "MailServers"
    std::vector<std::string> ServerNames;
    // "Mail"
    int MailInterval = 5;  // minutes, 1..60
    bool CheckMail = false;
    bool AutoRun = false;
    std::string MailProgram;
    bool PlayWav = false;
    std::string WavFile;
    bool Notify = true;
    // One section per server name; always as many rows as ServerNames.
    std::vector<MailServerRecord> ServersInfo;
    // In the last server's section, or in "Mail" without servers.
    std::string AutoConnectEntry{kNoAutoConnect};
    int AutoConnectInterval = 60;  // minutes, 1..1440
    // "Positions"
    int Top = 100;
    int Left = 200;
    // "Timer"
    std::string TotalTime = "00:00:00";
    std::string ResetDate = "Never";
    // List sections "Idents", "Auto-Launch", "NetTime"
    std::vector<std::string> IdentList{"Default"};
    std::vector<std::string> AppsList;
    std::vector<std::string> TimeServerList;

    bool operator==(const AppSettings&) const = default;
};

// The read in its fixed order. A value that cannot be read as text (a
// hand-edited file) takes its default, its message is added to `problems`, and
// the read goes on, so a later save never erases what the rest of the file holds.
enum class ReadStep {
    Options,
    MailServers,
    Mail,
    Positions,
    Timer,
    ServerRecords,
    AutoConnect,
    Idents,
    LaunchAndTime,
};
inline constexpr ReadStep kReadSteps[] = {
    ReadStep::Options,     ReadStep::MailServers, ReadStep::Mail,
    ReadStep::Positions,   ReadStep::Timer,       ReadStep::ServerRecords,
    ReadStep::AutoConnect, ReadStep::Idents,      ReadStep::LaunchAndTime,
};

void ReadAppSettingsStep(ReadStep step, const SettingsStore& store, VelkEncryption& crypt,
                         AppSettings& settings, std::vector<std::string>& problems);
// Every step in order; returns the messages of the values that took their default.
std::vector<std::string> ReadAppSettings(const SettingsStore& store, VelkEncryption& crypt,
                                         AppSettings& settings);

// Writes every value in the fixed order into the store (the caller saves it).
// A password whose stored text already unscrambles to it is left as stored, so
// saving unchanged settings leaves the file unchanged.
void WriteAppSettings(SettingsStore& store, VelkEncryption& crypt, const AppSettings& settings);

// The complete save: re-reads the file so values outside the layout survive,
// writes every value and saves. Throws SettingsError; the file is then unchanged.
// A file holding a mail password is saved for its owner alone; returns true
// when that took permissions away (see SettingsStore::save).
bool SaveAppSettings(SettingsStore& store, VelkEncryption& crypt, const AppSettings& settings);

// Deleting a mail server removes its stored section from the file at once.
// An empty name names no server and erases nothing. Returns as SaveAppSettings.
bool EraseServerSection(SettingsStore& store, std::string_view name);

// Whether any section holds a "Password" value that is not empty.
bool HoldsPassword(const SettingsStore& store);

// Why a mail server entry cannot be called `name` (its section would be one of
// the layout's own, nested, or cut on reading); empty when it can.
std::string MailEntryNameProblem(std::string_view name);

// A list section's texts in stored order, empty ones skipped, each cut to 255
// characters (never inside a UTF-8 character); a missing section gives no
// items. A value that is not text is skipped and its message added to `problems`.
std::vector<std::string> ReadListSection(const SettingsStore& store, std::string_view section,
                                         std::vector<std::string>& problems);
// Erases the section, then writes the items as "0", "1", ...; an empty list
// leaves the section erased.
void WriteListSection(SettingsStore& store, std::string_view section,
                      const std::vector<std::string>& items);

// Mail checking and clock setting cannot stay on without their lists.
void ApplyConsistency(AppSettings& settings);

// A "minute" of the mail and auto-connect periods is 55,000 ms.
inline constexpr Millis kSettingsMinute = 55'000;
inline Millis MailTimerInterval(const AppSettings& s) {
    return s.MailInterval * kSettingsMinute;
}
inline Millis AutoConnectTimerInterval(const AppSettings& s) {
    return s.AutoConnectInterval * kSettingsMinute;
}
inline std::string ResetDateCaption(const AppSettings& s) {
    return "Last Reset : " + s.ResetDate;
}

}  // namespace pontavi
