#include "urls/url_list_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pontavi {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::string>;

class UrlListFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "urls-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        ::chmod(dir_.c_str(), 0700);
        fs::remove_all(dir_);
    }
    std::string path(const std::string& name = "URL.lst") const { return (dir_ / name).string(); }
    void put(const std::string& bytes) const { std::ofstream(path(), std::ios::binary) << bytes; }
    std::string bytes() const {
        std::ifstream in(path(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir_;
};

TEST_F(UrlListFileTest, RowsRoundTripWithCrLfAfterEveryRow) {
    put("a\r\n\r\nb\r\n");
    UrlListFile file(path());
    ASSERT_TRUE(file.exists());
    Rows rows = file.read();
    EXPECT_EQ(rows, (Rows{"a", "", "b"}));
    file.write(rows);
    EXPECT_EQ(bytes(), "a\r\n\r\nb\r\n");
}

TEST_F(UrlListFileTest, CrOnlyAndLfOnlyLinesAreRows) {
    EXPECT_EQ(UrlListFile::parse("a\rb\r\rc"), (Rows{"a", "b", "", "c"}));
    EXPECT_EQ(UrlListFile::parse("a\nb\n\nc\n"), (Rows{"a", "b", "", "c"}));
    EXPECT_EQ(UrlListFile::parse("a\n\rb"), (Rows{"a", "", "b"}));
}

TEST_F(UrlListFileTest, FinalLineBreakAddsNoRowButALoneBreakIsARow) {
    EXPECT_EQ(UrlListFile::parse(""), Rows{});
    EXPECT_EQ(UrlListFile::parse("\r\n"), Rows{""});
    EXPECT_EQ(UrlListFile::parse("a"), Rows{"a"});
}

TEST_F(UrlListFileTest, ReadingStopsAtAZeroByte) {
    put(std::string("a\r\nb\0c\r\nd\r\n", 11));
    EXPECT_EQ(UrlListFile(path()).read(), (Rows{"a", "b"}));
}

TEST_F(UrlListFileTest, LineBreaksAndZeroBytesInsideARowAreWrittenAsSpaces) {
    EXPECT_EQ(UrlListFile::format({std::string("a\rb\nc\0d", 7), "e"}), "a b c d\r\ne\r\n");
}

TEST_F(UrlListFileTest, MissingFileDoesNotExist) {
    EXPECT_FALSE(UrlListFile(path()).exists());
}

// The message names the file exactly as the list was configured with.
void expectCreateFailure(const UrlListFile& file) {
    try {
        file.write({"new"});
        ADD_FAILURE() << "write succeeded";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + file.FileName());
    }
}

TEST_F(UrlListFileTest, UnwritableFolderFailsWithTheFileNameAndKeepsTheOldList) {
    if (::geteuid() == 0) {
        // A folder's mode does not stop root; /proc stops everyone.
        expectCreateFailure(UrlListFile("/proc/URL.lst"));
        return;
    }
    put("old\r\n");
    ASSERT_EQ(::chmod(dir_.c_str(), 0500), 0);
    expectCreateFailure(UrlListFile(path()));
    EXPECT_EQ(bytes(), "old\r\n");
}

TEST_F(UrlListFileTest, MissingFolderFailsWithTheFileName) {
    expectCreateFailure(UrlListFile(path("no-such-folder/URL.lst")));
}

TEST_F(UrlListFileTest, FailedRenameLeavesNoTemporaryFile) {
    fs::create_directory(path());  // a folder where the file should be
    UrlListFile file(path());
    EXPECT_THROW(file.write({"x"}), std::runtime_error);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(UrlListFileTest, ReplacingKeepsThePermissionsOfTheOldFile) {
    put("old\r\n");
    ::chmod(path().c_str(), 0640);
    UrlListFile(path()).write({"new"});
    struct stat st {};
    ASSERT_EQ(::stat(path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(bytes(), "new\r\n");
}

TEST_F(UrlListFileTest, UnreadableFileFailsWithTheFileName) {
    fs::create_directory(path());
    try {
        UrlListFile(path()).read();
        FAIL() << "read succeeded";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + path());
    }
}

}  // namespace
}  // namespace pontavi
