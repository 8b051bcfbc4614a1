#include "platform/linux/shell_link_reader.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace pontavi {
namespace {

namespace fs = std::filesystem;

// Writes shell links the way the published format lays them out: a 76-byte
// header, an optional link info block with the local path, string data in
// UTF-16LE, and the terminal block.
class LinkWriter {
  public:
    std::string localPath;
    std::string relativePath;
    std::string arguments;

    std::vector<std::uint8_t> bytes() const {
        enum : std::uint32_t {
            kHasLinkInfo = 0x02,
            kHasRelativePath = 0x08,
            kHasArguments = 0x20,
            kIsUnicode = 0x80
        };
        std::uint32_t flags = kIsUnicode;
        if (!localPath.empty()) {
            flags |= kHasLinkInfo;
        }
        if (!relativePath.empty()) {
            flags |= kHasRelativePath;
        }
        if (!arguments.empty()) {
            flags |= kHasArguments;
        }
        std::vector<std::uint8_t> out;
        u32(out, 0x4c);
        const std::uint8_t clsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                        0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
        out.insert(out.end(), clsid, clsid + 16);
        u32(out, flags);
        u32(out, 0x20);                   // file attributes: archive
        out.insert(out.end(), 3 * 8, 0);  // three file times
        u32(out, 0);                      // file size
        u32(out, 0);                      // icon index
        u32(out, 1);                      // show command: normal
        out.insert(out.end(), 2 + 2 + 4 + 4, 0);
        if (!localPath.empty()) {
            linkInfo(out);
        }
        if (!relativePath.empty()) {
            utf16String(out, relativePath);
        }
        if (!arguments.empty()) {
            utf16String(out, arguments);
        }
        u32(out, 0);  // terminal block
        return out;
    }

  private:
    static void u16(std::vector<std::uint8_t>& out, std::uint32_t v) {
        out.push_back(v & 0xff);
        out.push_back((v >> 8) & 0xff);
    }
    static void u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
        u16(out, v & 0xffff);
        u16(out, v >> 16);
    }
    // ASCII only, which is all these tests write.
    static void utf16String(std::vector<std::uint8_t>& out, const std::string& text) {
        u16(out, static_cast<std::uint32_t>(text.size()));
        for (char c : text) {
            u16(out, static_cast<std::uint8_t>(c));
        }
    }
    void linkInfo(std::vector<std::uint8_t>& out) const {
        constexpr std::uint32_t kHeaderSize = 0x1c;
        constexpr std::uint32_t kVolumeIdSize = 0x11;  // 16 bytes and an empty label
        const std::uint32_t volumeOffset = kHeaderSize;
        const std::uint32_t pathOffset = volumeOffset + kVolumeIdSize;
        const std::uint32_t suffixOffset =
            pathOffset + static_cast<std::uint32_t>(localPath.size()) + 1;
        const std::uint32_t size = suffixOffset + 1;
        u32(out, size);
        u32(out, kHeaderSize);
        u32(out, 0x01);  // volume id and local base path
        u32(out, volumeOffset);
        u32(out, pathOffset);
        u32(out, 0);  // no network part
        u32(out, suffixOffset);
        u32(out, kVolumeIdSize);
        u32(out, 3);           // fixed drive
        u32(out, 0x12345678);  // serial number
        u32(out, 0x10);        // label offset
        out.push_back(0);      // empty label
        out.insert(out.end(), localPath.begin(), localPath.end());
        out.push_back(0);
        out.push_back(0);  // empty common path suffix
    }
};

class ShellLinkReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "lnk-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const fs::path file = dir / name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }
    static std::string errorOf(const std::string& file) {
        try {
            ReadShellLinkFile(file);
        } catch (const ShortcutError& e) {
            return e.what();
        }
        return "no error";
    }

    fs::path dir;
};

TEST_F(ShellLinkReaderTest, ReadsTargetAndArguments) {
    struct Case {
        LinkWriter link;
        std::string path, arguments;
    };
    const Case cases[] = {
        {{"C:\\Program Files\\Mail\\mail.exe", "", "-compose \"a b\""},
         "C:\\Program Files\\Mail\\mail.exe",
         "-compose \"a b\""},
        {{"C:\\mail.exe", "", ""}, "C:\\mail.exe", ""},
        {{"", "..\\mail\\mail.exe", "-check"}, "..\\mail\\mail.exe", "-check"},
        {{"", "", ""}, "", ""},  // a link to no file at all
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string file = write("case" + std::to_string(n++) + ".lnk", c.link.bytes());
        const ShellLinkTarget target = ReadShellLinkFile(file);
        EXPECT_EQ(target.path, c.path) << file;
        EXPECT_EQ(target.arguments, c.arguments) << file;
    }
}

TEST_F(ShellLinkReaderTest, MissingAndBrokenFilesGiveTheTwoMessages) {
    std::vector<std::uint8_t> good = LinkWriter{"C:\\mail.exe", "", "-x"}.bytes();
    std::vector<std::uint8_t> badSignature = good;
    badSignature[0] = 0x4d;
    const std::vector<std::uint8_t> truncated(good.begin(), good.begin() + 40);
    std::vector<std::uint8_t> hugeCount = good;
    hugeCount.resize(hugeCount.size() - 6);     // cut into the argument string
    std::vector<std::uint8_t> hugeInfo = good;  // claims 3 GiB of link info
    hugeInfo[76 + 3] = 0xc0;
    fs::create_directory(dir / "folder.lnk");
    ::mkfifo((dir / "pipe.lnk").c_str(), 0600);

    EXPECT_EQ(errorOf((dir / "none.lnk").string()), "Lien non trouv\xc3\xa9.");
    EXPECT_EQ(errorOf(""), "Lien non trouv\xc3\xa9.");
    EXPECT_EQ(errorOf((dir / "folder.lnk").string()), "Lien non trouv\xc3\xa9.");
    EXPECT_EQ(errorOf((dir / "pipe.lnk").string()), "Lien non trouv\xc3\xa9.");
    EXPECT_EQ(errorOf(write("empty.lnk", {})), "Erreur en lecture.");
    EXPECT_EQ(errorOf(write("sig.lnk", badSignature)), "Erreur en lecture.");
    EXPECT_EQ(errorOf(write("short.lnk", truncated)), "Erreur en lecture.");
    EXPECT_EQ(errorOf(write("text.lnk", {'h', 'e', 'l', 'l', 'o'})), "Erreur en lecture.");
    EXPECT_EQ(errorOf(write("cut.lnk", hugeCount)), "Erreur en lecture.");
    EXPECT_EQ(errorOf(write("huge.lnk", hugeInfo)), "Erreur en lecture.");
}

}  // namespace
}  // namespace pontavi
