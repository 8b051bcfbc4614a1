#include "app/app_settings.h"

#include <algorithm>

#include "mail/velk_encryption.h"

namespace pontavi {
namespace {

constexpr std::string_view kOptions = "Options";
constexpr std::string_view kMailServers = "MailServers";
constexpr std::string_view kMail = "Mail";
constexpr std::string_view kPositions = "Positions";
constexpr std::string_view kTimer = "Timer";
constexpr std::string_view kIdents = "Idents";
constexpr std::string_view kAutoLaunch = "Auto-Launch";
constexpr std::string_view kNetTime = "NetTime";
constexpr std::size_t kMaxListItem = 255;

std::string_view AutoConnectSection(const std::vector<std::string>& serverNames) {
    return serverNames.empty() ? kMail : std::string_view(serverNames.back());
}

// A stored text that is not a scrambled password gives an empty password rather
// than stopping the whole read.
std::string UnscramblePassword(VelkEncryption& crypt, const std::string& stored) {
    crypt.Action = atDecryption;
    crypt.Input = stored;
    try {
        crypt.Apply();
    } catch (const EConvertError&) {
        return {};
    }
    std::string plain = crypt.Output;
    std::erase(plain, '\0');
    return plain;
}

std::string StoredPassword(const SettingsStore& store, std::string_view section,
                           VelkEncryption& crypt, const std::string& plain) {
    if (plain.empty()) {
        return {};
    }
    try {
        std::string stored = store.ReadString(section, "Password", "");
        crypt.Action = atDecryption;
        crypt.Input = stored;
        crypt.Apply();
        if (!stored.empty() && crypt.Output == plain) {
            return stored;
        }
    } catch (const std::exception&) {
        // Nothing usable stored: scramble afresh.
    }
    crypt.Action = atEncryption;
    crypt.Input = plain;
    crypt.Apply();
    return crypt.Output;
}

void ReadOptions(const SettingsStore& store, AppSettings& s) {
    s.AlwaysOnTop = store.ReadBool(kOptions, "AlwaysOnTop", false);
    s.UseFirst = store.ReadBool(kOptions, "UseFirst", true);
    s.AppsDelay = std::clamp(store.ReadInteger(kOptions, "AppsDelay", 5), 3, 1800);
    s.UpdateClock = store.ReadBool(kOptions, "UpdateClock", false);
    s.CopyIP = store.ReadBool(kOptions, "CopyIP", false);
    s.AutoCopy = store.ReadBool(kOptions, "AutoCopy", true);
    s.DisplayAtStartup = store.ReadBool(kOptions, "Display at Startup", false);
    s.StartupSection = store.ReadInteger(kOptions, "Startup Section", 0);
}

void ReadServerNames(const SettingsStore& store, AppSettings& s) {
    s.ServerNames = ReadListSection(store, kMailServers);
    // Rows exist for every name even if a later step fails, so code indexing the
    // records by server position never runs past the table.
    s.ServersInfo.assign(s.ServerNames.size(), MailServerRecord{});
}

// Periods outside the dialog's ranges (a hand-edited file) would give a timer
// that never fires or fires without pause.
void ReadMail(const SettingsStore& store, AppSettings& s) {
    s.MailInterval = std::clamp(store.ReadInteger(kMail, "MailTimer", 5), 1, 60);
    s.CheckMail = store.ReadBool(kMail, "CheckMail", false);
    s.AutoRun = store.ReadBool(kMail, "AutoRun", false);
    s.MailProgram = store.ReadString(kMail, "MailProgram", "");
    s.PlayWav = store.ReadBool(kMail, "PlayWav", false);
    s.WavFile = store.ReadString(kMail, "WavFile", "");
    s.Notify = store.ReadBool(kMail, "Notify", true);
}

void ReadPositions(const SettingsStore& store, AppSettings& s) {
    s.Top = store.ReadInteger(kPositions, "Top", 100);
    s.Left = store.ReadInteger(kPositions, "Left", 200);
}

void ReadTimer(const SettingsStore& store, AppSettings& s) {
    s.TotalTime = store.ReadString(kTimer, "TotalTime", "00:00:00");
    s.ResetDate = store.ReadString(kTimer, "ResetDate", "Never");
}

void ReadServerRecords(const SettingsStore& store, VelkEncryption& crypt, AppSettings& s) {
    s.ServersInfo.resize(s.ServerNames.size());
    for (std::size_t i = 0; i < s.ServerNames.size(); ++i) {
        const std::string& section = s.ServerNames[i];
        MailServerRecord& r = s.ServersInfo[i];
        r.Name = store.ReadString(section, "Name", "");
        r.Server = store.ReadString(section, "Server", "");
        r.UserName = store.ReadString(section, "UserName", "");
        r.Password = UnscramblePassword(crypt, store.ReadString(section, "Password", ""));
    }
}

void ReadAutoConnect(const SettingsStore& store, AppSettings& s) {
    std::string_view section = AutoConnectSection(s.ServerNames);
    s.AutoConnectEntry = store.ReadString(section, "AutoConnect", kNoAutoConnect);
    s.AutoConnectInterval = std::clamp(store.ReadInteger(section, "AutoConnectTimer", 60), 1, 1440);
}

void ReadIdents(const SettingsStore& store, AppSettings& s) {
    std::vector<std::string> idents = ReadListSection(store, kIdents);
    s.IdentList = idents.empty() ? std::vector<std::string>{"Default"} : std::move(idents);
}

void ReadLaunchAndTime(const SettingsStore& store, AppSettings& s) {
    s.AppsList = ReadListSection(store, kAutoLaunch);
    s.TimeServerList = ReadListSection(store, kNetTime);
}

void WriteOptions(SettingsStore& store, const AppSettings& s) {
    store.WriteBool(kOptions, "AlwaysOnTop", s.AlwaysOnTop);
    store.WriteBool(kOptions, "UseFirst", s.UseFirst);
    store.WriteInteger(kOptions, "AppsDelay", s.AppsDelay);
    store.WriteBool(kOptions, "UpdateClock", s.UpdateClock);
    store.WriteBool(kOptions, "CopyIP", s.CopyIP);
    store.WriteBool(kOptions, "AutoCopy", s.AutoCopy);
    store.WriteBool(kOptions, "Display at Startup", s.DisplayAtStartup);
    store.WriteInteger(kOptions, "Startup Section", s.StartupSection);
}

void WriteMail(SettingsStore& store, const AppSettings& s) {
    store.WriteInteger(kMail, "MailTimer", s.MailInterval);
    store.WriteBool(kMail, "CheckMail", s.CheckMail);
    store.WriteBool(kMail, "AutoRun", s.AutoRun);
    store.WriteString(kMail, "MailProgram", s.MailProgram);
    store.WriteBool(kMail, "PlayWav", s.PlayWav);
    store.WriteString(kMail, "WavFile", s.WavFile);
    store.WriteBool(kMail, "Notify", s.Notify);
}

// Server sections are overwritten, never erased, so values kept there by an
// older layout survive.
void WriteServerRecords(SettingsStore& store, VelkEncryption& crypt, const AppSettings& s) {
    for (std::size_t i = 0; i < s.ServerNames.size(); ++i) {
        const std::string& section = s.ServerNames[i];
        MailServerRecord r = i < s.ServersInfo.size() ? s.ServersInfo[i] : MailServerRecord{};
        store.WriteString(section, "Name", r.Name);
        store.WriteString(section, "Server", r.Server);
        store.WriteString(section, "UserName", r.UserName);
        store.WriteString(section, "Password", StoredPassword(store, section, crypt, r.Password));
    }
}

void WriteAutoConnect(SettingsStore& store, const AppSettings& s) {
    std::string_view section = AutoConnectSection(s.ServerNames);
    store.WriteString(section, "AutoConnect", s.AutoConnectEntry);
    store.WriteInteger(section, "AutoConnectTimer", s.AutoConnectInterval);
}

}  // namespace

std::vector<std::string> ReadListSection(const SettingsStore& store, std::string_view section) {
    std::vector<std::string> items;
    for (const std::string& name : store.ValueNames(section)) {
        std::string text = store.ReadString(section, name, "");
        if (!text.empty()) {
            text.resize(std::min(text.size(), kMaxListItem));
            items.push_back(std::move(text));
        }
    }
    return items;
}

void WriteListSection(SettingsStore& store, std::string_view section,
                      const std::vector<std::string>& items) {
    store.EraseSection(section);
    for (std::size_t i = 0; i < items.size(); ++i) {
        store.WriteString(section, std::to_string(i), items[i]);
    }
}

void ReadAppSettingsStep(ReadStep step, const SettingsStore& store, VelkEncryption& crypt,
                         AppSettings& settings) {
    switch (step) {
        case ReadStep::Options:
            return ReadOptions(store, settings);
        case ReadStep::MailServers:
            return ReadServerNames(store, settings);
        case ReadStep::Mail:
            return ReadMail(store, settings);
        case ReadStep::Positions:
            return ReadPositions(store, settings);
        case ReadStep::Timer:
            return ReadTimer(store, settings);
        case ReadStep::ServerRecords:
            return ReadServerRecords(store, crypt, settings);
        case ReadStep::AutoConnect:
            return ReadAutoConnect(store, settings);
        case ReadStep::Idents:
            return ReadIdents(store, settings);
        case ReadStep::LaunchAndTime:
            return ReadLaunchAndTime(store, settings);
    }
}

void ReadAppSettings(const SettingsStore& store, VelkEncryption& crypt, AppSettings& settings) {
    for (ReadStep step : kReadSteps) {
        ReadAppSettingsStep(step, store, crypt, settings);
    }
}

void WriteAppSettings(SettingsStore& store, VelkEncryption& crypt, const AppSettings& settings) {
    WriteOptions(store, settings);
    WriteListSection(store, kMailServers, settings.ServerNames);
    WriteMail(store, settings);
    WriteServerRecords(store, crypt, settings);
    WriteAutoConnect(store, settings);
    store.WriteInteger(kPositions, "Top", settings.Top);
    store.WriteInteger(kPositions, "Left", settings.Left);
    store.WriteString(kTimer, "TotalTime", settings.TotalTime);
    store.WriteString(kTimer, "ResetDate", settings.ResetDate);
    WriteListSection(store, kIdents, settings.IdentList);
    WriteListSection(store, kAutoLaunch, settings.AppsList);
    WriteListSection(store, kNetTime, settings.TimeServerList);
}

void SaveAppSettings(SettingsStore& store, VelkEncryption& crypt, const AppSettings& settings) {
    store.load();
    WriteAppSettings(store, crypt, settings);
    store.save();
}

void EraseServerSection(SettingsStore& store, std::string_view name) {
    if (name.substr(0, name.find('\0')).find_first_not_of('\\') == std::string_view::npos) {
        return;
    }
    store.load();
    store.EraseSection(name);
    store.save();
}

void ApplyConsistency(AppSettings& settings) {
    if (settings.ServerNames.empty()) {
        settings.CheckMail = false;
    }
    if (settings.TimeServerList.empty()) {
        settings.UpdateClock = false;
    }
}

}  // namespace pontavi
