#include "app/app_settings.h"

#include <algorithm>
#include <cctype>

#include "base/utf8_cut.h"

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

// The store's reads, where a value that cannot be read as text takes its
// default and its message is kept for the caller, so one hand-edited value
// never stops the rest of the read.
class Reader {
  public:
    Reader(const SettingsStore& store, std::vector<std::string>& problems)
        : store_(store), problems_(problems) {}

    std::string String(std::string_view section, std::string_view name,
                       std::string_view defaultValue) const {
        return guarded([&] { return store_.ReadString(section, name, defaultValue); },
                       std::string(defaultValue));
    }
    int Integer(std::string_view section, std::string_view name, int defaultValue) const {
        return guarded([&] { return store_.ReadInteger(section, name, defaultValue); },
                       defaultValue);
    }
    bool Bool(std::string_view section, std::string_view name, bool defaultValue) const {
        return guarded([&] { return store_.ReadBool(section, name, defaultValue); }, defaultValue);
    }
    std::vector<std::string> List(std::string_view section) const {
        return ReadListSection(store_, section, problems_);
    }
    // A mailbox's "Security": "None", "TLS" or "STARTTLS"; missing is None,
    // and so is any other text, reported like a value of the wrong type.
    MailSecurity Security(std::string_view section) const {
        return guarded(
            [&] {
                const std::string text = store_.ReadString(section, "Security", "None");
                if (const auto security = MailSecurityFromText(text)) {
                    return *security;
                }
                throw SettingsError("Invalid data type for 'Security'");
            },
            MailSecurity::None);
    }

  private:
    template <typename Read, typename T>
    T guarded(const Read& read, T defaultValue) const {
        try {
            return read();
        } catch (const SettingsError& e) {
            problems_.emplace_back(e.what());
            return defaultValue;
        }
    }

    const SettingsStore& store_;
    std::vector<std::string>& problems_;
};

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

void ReadOptions(const Reader& store, AppSettings& s) {
    s.AlwaysOnTop = store.Bool(kOptions, "AlwaysOnTop", false);
    s.UseFirst = store.Bool(kOptions, "UseFirst", true);
    s.AppsDelay = std::clamp(store.Integer(kOptions, "AppsDelay", 5), 3, 1800);
    s.UpdateClock = store.Bool(kOptions, "UpdateClock", false);
    s.CopyIP = store.Bool(kOptions, "CopyIP", false);
    s.AutoCopy = store.Bool(kOptions, "AutoCopy", true);
    s.DisplayAtStartup = store.Bool(kOptions, "Display at Startup", false);
    s.StartupSection = store.Integer(kOptions, "Startup Section", 0);
    s.StartAtLogin = store.Bool(kOptions, "Start at Login", false);
}

void ReadServerNames(const Reader& store, AppSettings& s) {
    s.ServerNames = store.List(kMailServers);
    // Rows exist for every name even if a later step fails, so code indexing the
    // records by server position never runs past the table.
    s.ServersInfo.assign(s.ServerNames.size(), MailServerRecord{});
}

// Periods outside the dialog's ranges (a hand-edited file) would give a timer
// that never fires or fires without pause.
void ReadMail(const Reader& store, AppSettings& s) {
    s.MailInterval = std::clamp(store.Integer(kMail, "MailTimer", 5), 1, 60);
    s.CheckMail = store.Bool(kMail, "CheckMail", false);
    s.AutoRun = store.Bool(kMail, "AutoRun", false);
    s.MailProgram = store.String(kMail, "MailProgram", "");
    s.PlayWav = store.Bool(kMail, "PlayWav", false);
    s.WavFile = store.String(kMail, "WavFile", "");
    s.Notify = store.Bool(kMail, "Notify", true);
}

void ReadPositions(const Reader& store, AppSettings& s) {
    s.Top = store.Integer(kPositions, "Top", 100);
    s.Left = store.Integer(kPositions, "Left", 200);
}

void ReadTimer(const Reader& store, AppSettings& s) {
    s.TotalTime = store.String(kTimer, "TotalTime", "00:00:00");
    s.ResetDate = store.String(kTimer, "ResetDate", "Never");
}

void ReadServerRecords(const Reader& store, VelkEncryption& crypt, AppSettings& s) {
    s.ServersInfo.resize(s.ServerNames.size());
    for (std::size_t i = 0; i < s.ServerNames.size(); ++i) {
        const std::string& section = s.ServerNames[i];
        MailServerRecord& r = s.ServersInfo[i];
        r.Name = store.String(section, "Name", "");
        r.Server = store.String(section, "Server", "");
        r.UserName = store.String(section, "UserName", "");
        r.Password = UnscramblePassword(crypt, store.String(section, "Password", ""));
        r.Security = store.Security(section);
    }
}

void ReadAutoConnect(const Reader& store, AppSettings& s) {
    std::string_view section = AutoConnectSection(s.ServerNames);
    s.AutoConnectEntry = store.String(section, "AutoConnect", kNoAutoConnect);
    s.AutoConnectInterval = std::clamp(store.Integer(section, "AutoConnectTimer", 60), 1, 1440);
}

void ReadIdents(const Reader& store, AppSettings& s) {
    std::vector<std::string> idents = store.List(kIdents);
    s.IdentList = idents.empty() ? std::vector<std::string>{"Default"} : std::move(idents);
}

void ReadLaunchAndTime(const Reader& store, AppSettings& s) {
    s.AppsList = store.List(kAutoLaunch);
    s.TimeServerList = store.List(kNetTime);
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
    store.WriteBool(kOptions, "Start at Login", s.StartAtLogin);
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
        store.WriteString(section, "Security", MailSecurityText(r.Security));
    }
}

void WriteAutoConnect(SettingsStore& store, const AppSettings& s) {
    std::string_view section = AutoConnectSection(s.ServerNames);
    store.WriteString(section, "AutoConnect", s.AutoConnectEntry);
    store.WriteInteger(section, "AutoConnectTimer", s.AutoConnectInterval);
}

}  // namespace

std::vector<std::string> ReadListSection(const SettingsStore& store, std::string_view section,
                                         std::vector<std::string>& problems) {
    std::vector<std::string> items;
    for (const std::string& name : store.ValueNames(section)) {
        std::string text;
        try {
            text = store.ReadString(section, name, "");
        } catch (const SettingsError& e) {
            problems.emplace_back(e.what());
            continue;
        }
        if (!text.empty()) {
            items.push_back(CutToCharacters(std::move(text), kMaxListItem));
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
                         AppSettings& settings, std::vector<std::string>& problems) {
    const Reader reader(store, problems);
    switch (step) {
        case ReadStep::Options:
            return ReadOptions(reader, settings);
        case ReadStep::MailServers:
            return ReadServerNames(reader, settings);
        case ReadStep::Mail:
            return ReadMail(reader, settings);
        case ReadStep::Positions:
            return ReadPositions(reader, settings);
        case ReadStep::Timer:
            return ReadTimer(reader, settings);
        case ReadStep::ServerRecords:
            return ReadServerRecords(reader, crypt, settings);
        case ReadStep::AutoConnect:
            return ReadAutoConnect(reader, settings);
        case ReadStep::Idents:
            return ReadIdents(reader, settings);
        case ReadStep::LaunchAndTime:
            return ReadLaunchAndTime(reader, settings);
    }
}

std::vector<std::string> ReadAppSettings(const SettingsStore& store, VelkEncryption& crypt,
                                         AppSettings& settings) {
    std::vector<std::string> problems;
    for (ReadStep step : kReadSteps) {
        ReadAppSettingsStep(step, store, crypt, settings, problems);
    }
    return problems;
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

bool SaveAppSettings(SettingsStore& store, VelkEncryption& crypt, const AppSettings& settings) {
    store.load();
    WriteAppSettings(store, crypt, settings);
    return store.save(HoldsPassword(store));
}

bool HoldsPassword(const SettingsStore& store) {
    for (const std::string& section : store.SectionNames()) {
        try {
            if (!store.ReadString(section, "Password", "").empty()) {
                return true;
            }
        } catch (const SettingsError&) {
            return true;  // a value of another type: taken as one
        }
    }
    return false;
}

std::string MailEntryNameProblem(std::string_view name) {
    if (name.find('\\') != std::string_view::npos) {
        return "A mail server name cannot contain a backslash (\\): the settings would be "
               "filed under another section.";
    }
    if (name.find('\0') != std::string_view::npos) {
        return "A mail server name cannot contain a NUL character.";
    }
    if (name.size() > kMaxListItem) {
        return "A mail server name can be at most 255 characters long.";
    }
    const auto same = [](std::string_view a, std::string_view b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) ==
                   std::tolower(static_cast<unsigned char>(y));
        });
    };
    for (const std::string_view section :
         {kOptions, kMailServers, kMail, kPositions, kTimer, kIdents, kAutoLaunch, kNetTime}) {
        if (same(name, section)) {
            return "The name \"" + std::string(name) +
                   "\" is taken by the program's own settings; choose another name for the "
                   "mail server.";
        }
    }
    return {};
}

bool EraseServerSection(SettingsStore& store, std::string_view name) {
    if (!SettingsStore::NamesASection(name)) {
        return false;  // spares the load and save of a file that would not change
    }
    store.load();
    store.EraseSection(name);
    return store.save(HoldsPassword(store));
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
