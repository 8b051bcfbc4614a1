#include "app/app_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "mail/velk_encryption.h"

namespace pontavi {
namespace {

namespace fs = std::filesystem;

using Names = std::vector<std::string>;

AppSettings Read(const SettingsStore& store) {
    VelkEncryption crypt;
    crypt.Key = "quolavin38";
    AppSettings s;
    ReadAppSettings(store, crypt, s);
    return s;
}

class AppSettingsTest : public ::testing::Test {
  protected:
    AppSettingsTest() { crypt_.Key = "quolavin38"; }

    AppSettings roundTrip(const AppSettings& s) {
        WriteAppSettings(store_, crypt_, s);
        SettingsStore reloaded("unused");
        reloaded.loadFromText(store_.toText());
        return Read(reloaded);
    }

    VelkEncryption crypt_;
    SettingsStore store_{"unused"};
};

TEST_F(AppSettingsTest, EmptyStoreGivesTheFirstStartSettings) {
    AppSettings s = Read(store_);
    EXPECT_EQ(s, AppSettings{});
    EXPECT_FALSE(s.AlwaysOnTop);
    EXPECT_TRUE(s.UseFirst);
    EXPECT_EQ(s.AppsDelay, 5);
    EXPECT_TRUE(s.AutoCopy);
    EXPECT_EQ(s.StartupSection, 0);
    EXPECT_TRUE(s.ServerNames.empty());
    EXPECT_FALSE(s.CheckMail);
    EXPECT_TRUE(s.Notify);
    EXPECT_EQ(MailTimerInterval(s), 275'000);
    EXPECT_EQ(s.AutoConnectEntry, "No Auto-Connect");
    EXPECT_EQ(AutoConnectTimerInterval(s), 3'300'000);
    EXPECT_EQ(s.Top, 100);
    EXPECT_EQ(s.Left, 200);
    EXPECT_EQ(s.TotalTime, "00:00:00");
    EXPECT_EQ(ResetDateCaption(s), "Last Reset : Never");
    EXPECT_EQ(s.IdentList, Names{"Default"});
    EXPECT_TRUE(s.AppsList.empty());
    EXPECT_TRUE(s.TimeServerList.empty());
}

AppSettings Configured() {
    AppSettings s;
    s.AlwaysOnTop = true;
    s.UseFirst = false;
    s.AppsDelay = 30;
    s.UpdateClock = true;
    s.CopyIP = true;
    s.AutoCopy = false;
    s.DisplayAtStartup = true;
    s.StartAtLogin = true;
    s.StartupSection = -1;
    s.ServerNames = {"Home", "Work"};
    s.MailInterval = 12;
    s.CheckMail = true;
    s.AutoRun = true;
    s.MailProgram = "/usr/bin/mutt";
    s.PlayWav = true;
    s.WavFile = "/home/u/ding.wav";
    s.Notify = false;
    s.ServersInfo = {{"Home", "pop.home", "me", "s3cret \xE9", MailSecurity::Tls},
                     {"Work", "10.0.0.1:1995", "w", "pw", MailSecurity::StartTls}};
    s.AutoConnectEntry = "Provider";
    s.AutoConnectInterval = 90;
    s.Top = -5;
    s.Left = 1200;
    s.TotalTime = "123:04:05";
    s.ResetDate = "01/02/2003";
    s.IdentList = {"alice", "bob"};
    s.AppsList = {"Mail?/usr/bin/mutt??1"};
    s.TimeServerList = {"time.a", "time.b"};
    return s;
}

TEST_F(AppSettingsTest, EverySettingRoundTrips) {
    AppSettings s = Configured();
    EXPECT_EQ(roundTrip(s), s);
}

TEST_F(AppSettingsTest, WritesTheLayoutInItsOrder) {
    WriteAppSettings(store_, crypt_, Configured());
    EXPECT_EQ(store_.ValueNames("Options"),
              (Names{"AlwaysOnTop", "UseFirst", "AppsDelay", "UpdateClock", "CopyIP", "AutoCopy",
                     "Display at Startup", "Startup Section", "Start at Login"}));
    EXPECT_EQ(store_.ValueNames("Mail"), (Names{"MailTimer", "CheckMail", "AutoRun", "MailProgram",
                                                "PlayWav", "WavFile", "Notify"}));
    EXPECT_EQ(store_.ValueNames("Home"),
              (Names{"Name", "Server", "UserName", "Password", "Security"}));
    EXPECT_EQ(store_.ValueNames("Work"), (Names{"Name", "Server", "UserName", "Password",
                                                "Security", "AutoConnect", "AutoConnectTimer"}));
    EXPECT_EQ(store_.ReadString("Home", "Security", ""), "TLS");
    EXPECT_EQ(store_.ReadString("Work", "Security", ""), "STARTTLS");
    EXPECT_EQ(store_.ValueNames("MailServers"), (Names{"0", "1"}));
    EXPECT_EQ(store_.ReadString("Options", "Startup Section", ""), "-1");
    EXPECT_EQ(store_.ReadString("Options", "AlwaysOnTop", ""), "1");
    EXPECT_EQ(store_.ReadString("Positions", "Top", ""), "-5");
    // 2 + 2n upper-case hex digits, never the plain text.
    std::string stored = store_.ReadString("Work", "Password", "");
    EXPECT_EQ(stored.size(), 6u);
    EXPECT_NE(stored, "pw");
}

TEST_F(AppSettingsTest, AutoConnectFollowsTheLastServer) {
    AppSettings s = Configured();
    s.ServerNames = {"A", "B"};
    s.ServersInfo = {{"A", "a", "", ""}, {"B", "b", "", ""}};
    WriteAppSettings(store_, crypt_, s);
    EXPECT_EQ(store_.ReadString("B", "AutoConnect", ""), "Provider");
    EXPECT_EQ(store_.ReadString("Mail", "AutoConnect", ""), "");

    store_.EraseSection("B");
    s.ServerNames = {"A"};
    s.ServersInfo.pop_back();
    WriteAppSettings(store_, crypt_, s);
    EXPECT_EQ(store_.ReadString("A", "AutoConnect", ""), "Provider");
    EXPECT_EQ(store_.ReadInteger("A", "AutoConnectTimer", 0), 90);
    EXPECT_EQ(Read(store_).AutoConnectEntry, "Provider");

    s.ServerNames.clear();
    s.ServersInfo.clear();
    s.AutoConnectEntry = "Other";
    WriteAppSettings(store_, crypt_, s);
    EXPECT_EQ(store_.ReadString("Mail", "AutoConnect", ""), "Other");
    EXPECT_EQ(Read(store_).AutoConnectEntry, "Other");
}

TEST_F(AppSettingsTest, ServerSectionsAreOverwrittenNotErased) {
    store_.WriteString("Home", "Extra", "kept");
    store_.WriteString("Home", "Server", "old");
    WriteAppSettings(store_, crypt_, Configured());
    EXPECT_EQ(store_.ReadString("Home", "Extra", ""), "kept");
    EXPECT_EQ(store_.ReadString("Home", "Server", ""), "pop.home");
}

TEST_F(AppSettingsTest, ListsSkipEmptyItemsAndCutLongOnes) {
    AppSettings s;
    s.IdentList = {"a", "", std::string(300, 'x')};
    s.TimeServerList = {"", ""};
    WriteAppSettings(store_, crypt_, s);
    EXPECT_EQ(store_.ValueNames("Idents"), (Names{"0", "1", "2"}));
    AppSettings back = Read(store_);
    EXPECT_EQ(back.IdentList, (Names{"a", std::string(255, 'x')}));
    EXPECT_TRUE(back.TimeServerList.empty());
}

TEST_F(AppSettingsTest, ListSectionsAreRewrittenWholeAndEmptyListsLeaveNoSection) {
    store_.WriteString("NetTime", "7", "stale");
    store_.WriteString("Auto-Launch", "0", "stale");
    AppSettings s;
    s.TimeServerList = {"t1"};
    WriteAppSettings(store_, crypt_, s);
    EXPECT_EQ(store_.ValueNames("NetTime"), Names{"0"});
    EXPECT_FALSE(store_.SectionExists("Auto-Launch"));
    EXPECT_FALSE(store_.SectionExists("MailServers"));
}

TEST_F(AppSettingsTest, ListsReadInStoredOrderWhateverTheNames) {
    store_.WriteString("Idents", "9", "first");
    store_.WriteString("Idents", "x", "second");
    store_.WriteString("Idents", "0", "third");
    EXPECT_EQ(Read(store_).IdentList, (Names{"first", "second", "third"}));
}

TEST_F(AppSettingsTest, EmptyPasswordAfterAPasswordReadsEmpty) {
    AppSettings s = Configured();
    s.ServersInfo[0].Password = "first";
    s.ServersInfo[1].Password = "";
    WriteAppSettings(store_, crypt_, s);
    EXPECT_EQ(store_.ReadString("Work", "Password", "x"), "");
    AppSettings back = Read(store_);
    EXPECT_EQ(back.ServersInfo[0].Password, "first");
    EXPECT_EQ(back.ServersInfo[1].Password, "");
}

TEST_F(AppSettingsTest, PasswordThatIsNotScrambledReadsEmptyAndTheReadGoesOn) {
    AppSettings s = Configured();
    WriteAppSettings(store_, crypt_, s);
    store_.WriteString("Home", "Password", "not hex!");
    store_.WriteString("Work", "Password", "AB");
    AppSettings back = Read(store_);
    EXPECT_EQ(back.ServersInfo[0].Password, "");
    EXPECT_EQ(back.ServersInfo[1].Password, "");
    EXPECT_EQ(back.AutoConnectEntry, "Provider");
    EXPECT_EQ(back.TimeServerList, s.TimeServerList);
}

TEST_F(AppSettingsTest, ZeroCharactersAreRemovedFromPasswords) {
    // "a", a 255 after the scrambled byte 255 (which comes back as code 0), "b".
    store_.WriteString("MailServers", "0", "S");
    store_.WriteString("S", "Password", "2DFF75B8");
    crypt_.Action = atDecryption;
    crypt_.Input = "2DFF75B8";
    crypt_.Apply();
    ASSERT_EQ(crypt_.Output, std::string("a\0b", 3));
    EXPECT_EQ(Read(store_).ServersInfo.at(0).Password, "ab");
}

TEST_F(AppSettingsTest, OutOfRangePeriodsAreKeptWithinTheirLimits) {
    store_.WriteString("Options", "AppsDelay", "1");
    store_.WriteString("Mail", "MailTimer", "0");
    store_.WriteString("Mail", "AutoConnectTimer", "-4");
    AppSettings low = Read(store_);
    EXPECT_EQ(low.AppsDelay, 3);
    EXPECT_EQ(low.MailInterval, 1);
    EXPECT_EQ(low.AutoConnectInterval, 1);
    store_.WriteString("Options", "AppsDelay", "0x7FFFFFFF");
    store_.WriteString("Mail", "MailTimer", "61");
    store_.WriteString("Mail", "AutoConnectTimer", "100000");
    AppSettings high = Read(store_);
    EXPECT_EQ(high.AppsDelay, 1800);
    EXPECT_EQ(high.MailInterval, 60);
    EXPECT_EQ(high.AutoConnectInterval, 1440);
}

TEST_F(AppSettingsTest, AValueThatIsNotTextTakesItsDefaultAndTheReadGoesOn) {
    store_.loadFromText(
        "[Options]\n\"AlwaysOnTop\"=\"1\"\n\"UseFirst\"=1\n"
        "[MailServers]\n\"0\"=\"S\"\n"
        "[Mail]\n\"MailTimer\"=\"9\"\n\"PlayWav\"=dword:00000001\n\"Notify\"=\"0\"\n"
        "[Positions]\n\"Top\"=\"1\"\n"
        "[Idents]\n\"0\"=\"me\"\n\"1\"=hex:41\n\"2\"=\"you\"\n"
        "[NetTime]\n\"0\"=\"t\"\n");
    AppSettings s;
    s.PlayWav = true;  // not the default: the bad value must give the default
    s.UseFirst = false;
    const auto problems = ReadAppSettings(store_, crypt_, s);
    EXPECT_EQ(problems, (Names{"Invalid data type for 'UseFirst'",
                               "Invalid data type for 'PlayWav'", "Invalid data type for '1'"}));
    EXPECT_TRUE(s.AlwaysOnTop);
    EXPECT_TRUE(s.UseFirst);
    EXPECT_FALSE(s.PlayWav);
    EXPECT_EQ(s.ServerNames, Names{"S"});
    EXPECT_EQ(s.ServersInfo.size(), 1u);
    EXPECT_EQ(s.MailInterval, 9);
    EXPECT_FALSE(s.Notify);
    EXPECT_EQ(s.Top, 1);
    EXPECT_EQ(s.IdentList, (Names{"me", "you"}));
    EXPECT_EQ(s.TimeServerList, Names{"t"});
}

TEST_F(AppSettingsTest, MailboxSecurityReadsNoneWhenMissingOrUnknown) {
    struct Case {
        const char* stored;  // nullptr: no value, as in files written before the choice
        MailSecurity expected;
        bool reported;
    };
    const std::vector<Case> cases = {
        {nullptr, MailSecurity::None, false}, {"None", MailSecurity::None, false},
        {"TLS", MailSecurity::Tls, false},    {"STARTTLS", MailSecurity::StartTls, false},
        {"tls", MailSecurity::None, true},    {"SSL", MailSecurity::None, true},
        {"", MailSecurity::None, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored == nullptr ? "(missing)" : c.stored);
        SettingsStore store("unused");
        store.loadFromText(std::string("[MailServers]\n\"0\"=\"S\"\n[S]\n\"Name\"=\"S\"\n") +
                           "\"Server\"=\"pop.example\"\n" +
                           (c.stored != nullptr ? "\"Security\"=\"" + std::string(c.stored) + "\"\n"
                                                : std::string()));
        AppSettings s;
        const auto problems = ReadAppSettings(store, crypt_, s);
        ASSERT_EQ(s.ServersInfo.size(), 1u);
        EXPECT_EQ(s.ServersInfo[0].Security, c.expected);
        EXPECT_EQ(s.ServersInfo[0].Server, "pop.example");
        EXPECT_EQ(problems, c.reported ? Names{"Invalid data type for 'Security'"} : Names{});
    }
    // A binary value is reported by the store itself.
    SettingsStore store("unused");
    store.loadFromText("[MailServers]\n\"0\"=\"S\"\n[S]\n\"Security\"=hex:41\n");
    AppSettings s;
    EXPECT_EQ(ReadAppSettings(store, crypt_, s), Names{"Invalid data type for 'Security'"});
    EXPECT_EQ(s.ServersInfo.at(0).Security, MailSecurity::None);
}

TEST_F(AppSettingsTest, ListItemsAreCutTo255CharactersNotBytes) {
    std::string accented;
    for (int i = 0; i < 300; ++i) {
        accented += "\xC3\xA9";
    }
    WriteListSection(store_, "Idents", {accented, std::string(300, 'a')});
    const AppSettings s = Read(store_);
    ASSERT_EQ(s.IdentList.size(), 2u);
    EXPECT_EQ(s.IdentList[0], accented.substr(0, 510));
    EXPECT_EQ(s.IdentList[1], std::string(255, 'a'));
}

TEST_F(AppSettingsTest, StepsCanBeAppliedOneByOne) {
    WriteAppSettings(store_, crypt_, Configured());
    AppSettings s;
    std::vector<std::string> problems;
    ReadAppSettingsStep(ReadStep::Options, store_, crypt_, s, problems);
    EXPECT_TRUE(s.AlwaysOnTop);
    EXPECT_TRUE(s.ServerNames.empty());
    for (ReadStep step : kReadSteps) {
        ReadAppSettingsStep(step, store_, crypt_, s, problems);
    }
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(s, Configured());
}

TEST(AppSettingsConsistency, MailAndClockNeedTheirLists) {
    AppSettings s;
    s.CheckMail = true;
    s.UpdateClock = true;
    ApplyConsistency(s);
    EXPECT_FALSE(s.CheckMail);
    EXPECT_FALSE(s.UpdateClock);
    s = Configured();
    ApplyConsistency(s);
    EXPECT_TRUE(s.CheckMail);
    EXPECT_TRUE(s.UpdateClock);
}

class AppSettingsFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "appsettings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        crypt_.Key = "quolavin38";
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string file() const { return (dir_ / "registry.ini").string(); }
    std::string bytes() const {
        std::ifstream in(file(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir_;
    VelkEncryption crypt_;  // random start bytes, as in the program
};

TEST_F(AppSettingsFileTest, SavingTwiceLeavesTheFileUnchanged) {
    SettingsStore store(file());
    AppSettings s = Configured();
    SaveAppSettings(store, crypt_, s);
    const std::string first = bytes();
    // A file with a password that others may read becomes the owner's alone, once.
    fs::permissions(file(), fs::perms::group_read | fs::perms::others_read, fs::perm_options::add);
    EXPECT_TRUE(SaveAppSettings(store, crypt_, s));
    EXPECT_EQ(fs::status(file()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(SaveAppSettings(store, crypt_, s));
    EXPECT_EQ(bytes(), first);

    s.ServersInfo[1].Password = "changed";
    SaveAppSettings(store, crypt_, s);
    SettingsStore reread(file());
    reread.load();
    EXPECT_EQ(Read(reread), s);
}

TEST_F(AppSettingsFileTest, ErasingAServerSectionTakesEffectInTheFileAtOnce) {
    SettingsStore store(file());
    SaveAppSettings(store, crypt_, Configured());
    SettingsStore other(file());
    EraseServerSection(other, "Home");
    store.load();
    EXPECT_FALSE(store.SectionExists("Home"));
    EXPECT_TRUE(store.SectionExists("Work"));

    EraseServerSection(other, "");
    EraseServerSection(other, "\\\\");
    store.load();
    EXPECT_TRUE(store.SectionExists("Options"));
}

}  // namespace
}  // namespace pontavi
