#include "platform/linux/xdg_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

namespace pontavi {
namespace {

namespace fs = std::filesystem;

class XdgPathsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "paths-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        env_["HOME"] = dir_ + "/home";
    }
    void TearDown() override { fs::remove_all(dir_); }

    XdgPaths paths() {
        return XdgPaths([this](const std::string& name) -> std::optional<std::string> {
            auto it = env_.find(name);
            if (it == env_.end()) {
                return std::nullopt;
            }
            return it->second;
        });
    }

    std::string dir_;
    std::map<std::string, std::string> env_;
};

TEST_F(XdgPathsTest, DefaultsBelowHome) {
    XdgPaths p = paths();
    EXPECT_EQ(p.ProgramFolder(), dir_ + "/home/.local/share/pontavi/");
    EXPECT_TRUE(fs::is_directory(dir_ + "/home/.local/share/pontavi"));
    EXPECT_EQ(p.SettingsFile(), dir_ + "/home/.config/pontavi/registry.ini");
    EXPECT_FALSE(fs::exists(dir_ + "/home/.config"));
}

TEST_F(XdgPathsTest, FollowsTheXdgVariables) {
    env_["XDG_DATA_HOME"] = dir_ + "/data";
    env_["XDG_CONFIG_HOME"] = dir_ + "/config/";
    XdgPaths p = paths();
    EXPECT_EQ(p.ProgramFolder(), dir_ + "/data/pontavi/");
    EXPECT_EQ(p.SettingsFile(), dir_ + "/config/pontavi/registry.ini");
}

TEST_F(XdgPathsTest, EmptyOrRelativeXdgVariablesAreIgnored) {
    env_["XDG_DATA_HOME"] = "relative/data";
    env_["XDG_CONFIG_HOME"] = "";
    XdgPaths p = paths();
    EXPECT_EQ(p.ProgramFolder(), dir_ + "/home/.local/share/pontavi/");
    EXPECT_EQ(p.SettingsFile(), dir_ + "/home/.config/pontavi/registry.ini");
}

TEST_F(XdgPathsTest, PontaviHomeHoldsEverything) {
    env_["PONTAVI_HOME"] = dir_ + "/portable";
    env_["XDG_DATA_HOME"] = dir_ + "/data";
    env_["XDG_CONFIG_HOME"] = dir_ + "/config";
    XdgPaths p = paths();
    EXPECT_EQ(p.ProgramFolder(), dir_ + "/portable/");
    EXPECT_TRUE(fs::is_directory(dir_ + "/portable"));
    EXPECT_EQ(p.SettingsFile(), dir_ + "/portable/registry.ini");
    EXPECT_FALSE(fs::exists(dir_ + "/data"));
}

TEST(SystemEnvironment, ReadsTheProcessEnvironment) {
    ::setenv("PONTAVI_TEST_VARIABLE", "value", 1);
    EXPECT_EQ(SystemEnvironment("PONTAVI_TEST_VARIABLE"), "value");
    ::unsetenv("PONTAVI_TEST_VARIABLE");
    EXPECT_EQ(SystemEnvironment("PONTAVI_TEST_VARIABLE"), std::nullopt);
}

}  // namespace
}  // namespace pontavi
