#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

namespace pontavi {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "atomic-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static mode_t modeOf(const std::string& file) {
        struct stat st {};
        EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
        return st.st_mode & 07777;
    }
    // Every name in the folder: a failed or finished save leaves no temporary file.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            out.push_back(entry.path().filename().string());
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    fs::path dir_;
};

TEST_F(AtomicFileTest, NewFileGetsTheRequestedModeAndTheContents) {
    struct Case {
        AtomicSaveOptions options;
        mode_t expected;
    };
    const Case cases[] = {{{}, 0600}, {{.newFileMode = 0644}, 0644}, {{.newFileMode = 0400}, 0400}};
    int i = 0;
    for (const auto& c : cases) {
        const std::string file = path("new" + std::to_string(i++));
        ASSERT_TRUE(SaveFileAtomically(file, std::string("a\0b\n", 4), c.options));
        EXPECT_EQ(read(file), std::string("a\0b\n", 4));
        EXPECT_EQ(modeOf(file), c.expected) << file;
    }
}

// A replaced file keeps its mode whatever the default; a secret only the
// owner's part of it.
TEST_F(AtomicFileTest, ReplacedFileKeepsItsModeWhateverTheDefault) {
    const std::string file = path("kept");
    const std::tuple<mode_t, bool, mode_t> cases[] = {
        {0640, false, 0640}, {0644, true, 0600}, {0600, true, 0600}};
    for (const auto& [before, secret, after] : cases) {
        std::ofstream(file) << "old contents, longer than the new";
        ASSERT_EQ(::chmod(file.c_str(), before), 0);
        const auto saved = SaveFileAtomically(file, "new", {.newFileMode = 0600, .secret = secret});
        EXPECT_EQ(saved.tightened, before != after) << before;
        EXPECT_EQ(read(file), "new");
        EXPECT_EQ(modeOf(file), after) << before;
        EXPECT_EQ(names(), std::vector<std::string>{"kept"});
    }
}

TEST_F(AtomicFileTest, MissingFoldersAreCreatedOnlyWhenAsked) {
    const std::string file = path("a/b/settings.ini");
    const auto refused = SaveFileAtomically(file, "x");
    EXPECT_EQ(refused.error, AtomicSaveError::Folder);
    EXPECT_EQ(refused.errnoValue, ENOENT);
    EXPECT_FALSE(fs::exists(dir_ / "a"));

    ASSERT_TRUE(SaveFileAtomically(file, "x", {.createFolders = true, .folderMode = 0700}));
    EXPECT_EQ(read(file), "x");
    EXPECT_EQ(modeOf(path("a")), 0700u);
    EXPECT_EQ(modeOf(path("a/b")), 0700u);
}

TEST_F(AtomicFileTest, FailuresNameTheirStepAndLeaveTheFolderAsItWas) {
    std::ofstream(path("plain")) << "p";
    fs::create_directory(dir_ / "target-is-folder");
    std::ofstream(path("target-is-folder/inside")) << "i";
    struct Case {
        std::string file;
        AtomicSaveOptions options;
        AtomicSaveError error;
    };
    const Case cases[] = {
        // A file where a folder should be.
        {path("plain/x"), {}, AtomicSaveError::Folder},
        {path("plain/x"), {.createFolders = true}, AtomicSaveError::Folder},
        // A non-empty folder cannot be replaced by a file.
        {path("target-is-folder"), {}, AtomicSaveError::Rename},
    };
    for (const auto& c : cases) {
        const auto result = SaveFileAtomically(c.file, "new", c.options);
        EXPECT_FALSE(result) << c.file;
        EXPECT_EQ(result.error, c.error) << c.file;
        EXPECT_NE(result.errnoValue, 0) << c.file;
    }
    EXPECT_EQ(read(path("plain")), "p");
    EXPECT_EQ(names(), (std::vector<std::string>{"plain", "target-is-folder"}));
}

TEST_F(AtomicFileTest, UnwritableFolderFailsAtTheTemporaryFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into any folder";
    }
    const std::string file = path("locked/f");
    fs::create_directory(dir_ / "locked");
    ASSERT_TRUE(SaveFileAtomically(file, "old"));
    ASSERT_EQ(::chmod(path("locked").c_str(), 0500), 0);
    const auto result = SaveFileAtomically(file, "new");
    ::chmod(path("locked").c_str(), 0700);
    EXPECT_EQ(result.error, AtomicSaveError::TempFile);
    EXPECT_EQ(result.errnoValue, EACCES);
    EXPECT_EQ(read(file), "old");
}

TEST_F(AtomicFileTest, FolderOfAPath) {
    EXPECT_EQ(FolderOf("/a/b/c"), "/a/b");
    EXPECT_EQ(FolderOf("/c"), "/");
    EXPECT_EQ(FolderOf("c"), ".");
    EXPECT_EQ(FolderOf("a/c"), "a");
}

}  // namespace
}  // namespace pontavi
