#include "app/settings_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pontavi {
namespace {

namespace fs = std::filesystem;

class SettingsStoreFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name = "registry.ini") const {
        return (dir_ / name).string();
    }
    void put(const std::string& bytes) const { std::ofstream(path(), std::ios::binary) << bytes; }
    std::string bytes() const {
        std::ifstream in(path(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir_;
};

// ---- primitives and their encodings

TEST(SettingsStore, MissingValuesGiveTheirDefaults) {
    SettingsStore store("unused");
    EXPECT_EQ(store.ReadString("Mail", "WavFile", "x.wav"), "x.wav");
    EXPECT_EQ(store.ReadInteger("Mail", "MailTimer", 5), 5);
    EXPECT_TRUE(store.ReadBool("Options", "UseFirst", true));
    EXPECT_FALSE(store.SectionExists("Mail"));
    EXPECT_TRUE(store.ValueNames("Mail").empty());
}

TEST(SettingsStore, IntegersAreDecimalOrLongerThanTwoCharacterHex) {
    SettingsStore store("unused");
    auto read = [&](const std::string& text) {
        store.WriteString("S", "v", text);
        return store.ReadInteger("S", "v", 77);
    };
    EXPECT_EQ(read("0x1F"), 31);
    EXPECT_EQ(read("0X1f"), 31);
    EXPECT_EQ(read("-1"), -1);
    EXPECT_EQ(read("+12"), 12);
    EXPECT_EQ(read("0xFFFFFFFF"), -1);
    EXPECT_EQ(read("0x"), 77);
    EXPECT_EQ(read("0x100000000"), 77);
    EXPECT_EQ(read("0xG"), 77);
    EXPECT_EQ(read("12a"), 77);
    EXPECT_EQ(read(" 12"), 77);
    EXPECT_EQ(read(""), 77);
    EXPECT_EQ(read("99999999999"), 77);
    EXPECT_EQ(read("+-3"), 77);
    store.WriteInteger("S", "v", -1);
    EXPECT_EQ(store.ReadString("S", "v", ""), "-1");
}

TEST(SettingsStore, BooleansAreIntegersWithNonZeroTrue) {
    SettingsStore store("unused");
    store.WriteString("O", "five", "5");
    store.WriteString("O", "yes", "yes");
    store.WriteString("O", "zero", "0");
    EXPECT_TRUE(store.ReadBool("O", "five", false));
    EXPECT_TRUE(store.ReadBool("O", "yes", true));
    EXPECT_FALSE(store.ReadBool("O", "yes", false));
    EXPECT_FALSE(store.ReadBool("O", "zero", true));
    store.WriteBool("O", "t", true);
    store.WriteBool("O", "f", false);
    EXPECT_EQ(store.ReadString("O", "t", ""), "1");
    EXPECT_EQ(store.ReadString("O", "f", ""), "0");
}

TEST(SettingsStore, TextEndsAtItsFirstZeroCharacter) {
    SettingsStore store("unused");
    store.WriteString("S", "v", std::string("ab\0cd", 5));
    EXPECT_EQ(store.ReadString("S", "v", ""), "ab");
    store.WriteString("S", "n",
                      std::string("12\0"
                                  "9",
                                  4));
    EXPECT_EQ(store.ReadInteger("S", "n", 0), 12);
}

TEST(SettingsStore, ValuesKeepTheOrderWrittenAndRewritesKeepTheirPlace) {
    SettingsStore store("unused");
    store.WriteString("L", "b", "1");
    store.WriteString("L", "a", "2");
    store.WriteString("L", "c", "3");
    store.WriteString("L", "a", "changed");
    EXPECT_EQ(store.ValueNames("L"), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(store.ReadString("L", "a", ""), "changed");
}

TEST(SettingsStore, ErasingASectionErasesEverythingBelowIt) {
    SettingsStore store("unused");
    store.WriteString("A", "v", "1");
    store.WriteString("A\\B", "v", "2");
    store.WriteString("A\\B\\C", "v", "3");
    store.WriteString("AB", "v", "4");
    store.WriteString("A B", "v", "5");
    store.EraseSection("A");
    EXPECT_FALSE(store.SectionExists("A"));
    EXPECT_FALSE(store.SectionExists("A\\B\\C"));
    EXPECT_EQ(store.SectionNames(), (std::vector<std::string>{"A B", "AB"}));
}

TEST(SettingsStore, ANameThatNamesNoSectionErasesNothing) {
    SettingsStore store("unused");
    store.WriteString("A", "v", "1");
    store.WriteString("B\\C", "v", "2");
    for (const std::string_view name : {std::string_view(""), std::string_view("\\"),
                                        std::string_view("\\\\\\"), std::string_view("\0A", 2)}) {
        EXPECT_FALSE(SettingsStore::NamesASection(name)) << name;
        store.EraseSection(name);
        EXPECT_EQ(store.SectionNames(), (std::vector<std::string>{"A", "B\\C"})) << name;
    }
    EXPECT_TRUE(SettingsStore::NamesASection("\\B\\"));
}

TEST(SettingsStore, ASectionWithOnlyNestedSectionsExists) {
    SettingsStore store("unused");
    store.WriteString("Servers\\Home", "Name", "x");
    EXPECT_TRUE(store.SectionExists("Servers"));
    EXPECT_TRUE(store.SectionExists("\\Servers\\\\Home\\"));
    EXPECT_FALSE(store.SectionExists("Serv"));
    EXPECT_EQ(store.ReadString("Servers\\\\Home", "Name", ""), "x");
}

TEST(SettingsStore, OtherTypesAreKeptButCannotBeReadAsText) {
    SettingsStore store("unused");
    store.loadFromText("[Options]\n\"AppsDelay\"=dword:0000001f\n\"UseFirst\"=\"0\"\n");
    EXPECT_FALSE(store.ReadBool("Options", "UseFirst", true));
    try {
        store.ReadInteger("Options", "AppsDelay", 5);
        FAIL() << "a dword value must not read as text";
    } catch (const SettingsError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'AppsDelay'");
    }
    EXPECT_THROW(store.ReadString("Options", "AppsDelay", ""), SettingsError);
    EXPECT_THROW(store.ReadBool("Options", "AppsDelay", true), SettingsError);
    EXPECT_NE(store.toText().find("\"AppsDelay\"=dword:0000001f\n"), std::string::npos);
    store.WriteInteger("Options", "AppsDelay", 9);
    EXPECT_EQ(store.ReadInteger("Options", "AppsDelay", 5), 9);
}

// ---- the text format

TEST(SettingsStoreText, AnyByteButNulRoundTripsInNamesAndValues) {
    std::string all;
    for (int c = 1; c < 256; ++c) {
        all += static_cast<char>(c);
    }
    SettingsStore store("unused");
    store.WriteString(all, all, all + std::string(1, '\0') + "tail");
    store.WriteString("S", "", "unnamed");
    SettingsStore copy("unused");
    copy.loadFromText(store.toText());
    EXPECT_EQ(copy, store);
    EXPECT_EQ(copy.ReadString(all, all, ""), all);
    EXPECT_EQ(copy.ReadString("S", "", ""), "unnamed");
    EXPECT_EQ(store.toText().find('\r'), std::string::npos);
}

TEST(SettingsStoreText, IsReadableAndSectionsFollowTheirParents) {
    SettingsStore store("unused");
    store.WriteString("Options", "UseFirst", "1");
    store.WriteString("A B", "x", "say \"hi\"\n");
    store.WriteString("A\\B", "x", "c:\\dir");
    store.WriteString("A", "x", "");
    EXPECT_EQ(store.toText(),
              "; Pontavi settings (key Software\\Pontavi)\n"
              "\n[\"A\"]\n\"x\"=\"\"\n"
              "\n[\"A\\\\B\"]\n\"x\"=\"c:\\\\dir\"\n"
              "\n[\"A B\"]\n\"x\"=\"say \\\"hi\\\"\\n\"\n"
              "\n[\"Options\"]\n\"UseFirst\"=\"1\"\n");
}

TEST(SettingsStoreText, HandWrittenFilesAreAccepted) {
    SettingsStore store("unused");
    store.loadFromText(
        "# comment\r\n"
        "[Options]\r\n"
        "  \"UseFirst\" = \"0\"  \r\n"
        "[Servers\\Home]\n"
        "\"Tab\"=\"a\\tb\\x41\"\n");
    EXPECT_FALSE(store.ReadBool("Options", "UseFirst", true));
    EXPECT_EQ(store.ReadString("Servers\\Home", "Tab", ""), "a\tbA");
}

TEST(SettingsStoreText, MalformedLinesAreSkippedAndTheRestIsKept) {
    SettingsStore store("unused");
    store.loadFromText(
        "\"orphan\"=\"before any section\"\n"
        "[Mail]\n"
        "\"MailTimer\"=\"7\"\n"
        "garbage line\n"
        "\"unterminated=\"x\n"
        "\"bad escape\"=\"\\q\"\n"
        "\"short hex\"=\"\\x4\"\n"
        "\"trailing\"=\"x\" junk\n"
        "\"no value\"=\n"
        "[unterminated header\n"
        "[\"bad\"quoted\"]\n"
        "\"Notify\"=\"0\"\n"
        "\"MailTimer\"=\"8\"\n");
    EXPECT_EQ(store.SectionNames(), std::vector<std::string>{"Mail"});
    EXPECT_EQ(store.ValueNames("Mail"), (std::vector<std::string>{"MailTimer", "Notify"}));
    // A repeated name keeps its first place and its last text, as a rewrite would.
    EXPECT_EQ(store.ReadInteger("Mail", "MailTimer", 0), 8);
}

TEST(SettingsStoreText, EmptySectionsSurvive) {
    SettingsStore store("unused");
    store.loadFromText("[Empty]\n[\"Also\\\\Empty\"]\n");
    EXPECT_TRUE(store.SectionExists("Empty"));
    EXPECT_TRUE(store.SectionExists("Also\\Empty"));
    SettingsStore copy("unused");
    copy.loadFromText(store.toText());
    EXPECT_EQ(copy, store);
}

// ---- the file

TEST_F(SettingsStoreFileTest, MissingFileLoadsEmpty) {
    SettingsStore store(path());
    store.WriteString("S", "v", "x");
    store.load();
    EXPECT_TRUE(store.SectionNames().empty());
}

TEST_F(SettingsStoreFileTest, SaveCreatesPrivateFoldersAndFileAndLoadsBack) {
    const std::string file = path("a/b/registry.ini");
    SettingsStore store(file);
    store.WriteString("Options", "UseFirst", "0");
    store.save();
    struct stat st {};
    ASSERT_EQ(::stat((dir_ / "a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(fs::exists(file + ".tmp"));
    SettingsStore again(file);
    again.load();
    EXPECT_EQ(again, store);
}

TEST_F(SettingsStoreFileTest, SavingTwiceGivesTheSameBytes) {
    put("[Z]\n\"v\"=\"1\"\n[A]\n\"v\"=dword:1\n");
    SettingsStore store(path());
    store.load();
    store.save();
    const std::string first = bytes();
    store.load();
    store.save();
    EXPECT_EQ(bytes(), first);
    EXPECT_LT(first.find("[\"A\"]"), first.find("[\"Z\"]"));
}

TEST_F(SettingsStoreFileTest, FolderThatCannotBeCreatedFailsAndLeavesNothing) {
    put("not a folder");
    SettingsStore store(path() + "/sub/registry.ini");
    store.WriteString("S", "v", "x");
    try {
        store.save();
        FAIL() << "save into a file as folder must fail";
    } catch (const SettingsError& e) {
        EXPECT_STREQ(e.what(), "Failed to create key Software\\Pontavi");
    }
    EXPECT_EQ(bytes(), "not a folder");
}

TEST_F(SettingsStoreFileTest, FailedRenameKeepsTheTargetAndRemovesTheTemporaryFile) {
    fs::create_directories(path("target"));
    std::ofstream(path("target/inside")) << "kept";
    SettingsStore store(path("target"));
    store.WriteString("S", "v", "x");
    try {
        store.save();
        FAIL() << "renaming over a folder must fail";
    } catch (const SettingsError& e) {
        EXPECT_EQ(std::string(e.what()), "Failed to set data for '" + path("target") + "'");
    }
    EXPECT_TRUE(fs::exists(path("target/inside")));
    EXPECT_FALSE(fs::exists(path("target.tmp")));
}

// Stands in for a full disk: writes past the size limit fail with EFBIG.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*oldHandler_)(int);
};

TEST_F(SettingsStoreFileTest, FailedWriteKeepsThePreviousFile) {
    SettingsStore store(path());
    store.WriteString("S", "v", "old");
    store.save();
    const std::string before = bytes();
    store.WriteString("S", "v", std::string(100'000, 'n'));
    {
        FileSizeLimit limit(4096);
        EXPECT_THROW(store.save(), SettingsError);
    }
    EXPECT_EQ(bytes(), before);
    EXPECT_FALSE(fs::exists(path() + ".tmp"));
}

TEST_F(SettingsStoreFileTest, UnreadableFileFailsToLoad) {
    fs::create_directories(path());
    SettingsStore store(path());
    EXPECT_THROW(store.load(), SettingsError);
}

}  // namespace
}  // namespace pontavi
