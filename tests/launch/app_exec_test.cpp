#include "launch/app_exec.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "fakes/fake_process_starter.h"

namespace pontavi {
namespace {

TEST(AppExecTest, ExePathDropsOneTrailingSeparatorExceptRoots) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Dir\\", "C:\\Dir"},  {"C:\\", "C:\\"}, {"\\", "\\"},    {"", ""},
        {"/usr/bin/", "/usr/bin"}, {"/", "/"},       {"/a//", "/a/"}, {"C:\\Dir", "C:\\Dir"},
        {"c:\\", "c:\\"},
    };
    FakeProcessStarter starter;
    TAppExec exec(starter);
    for (const auto& [given, kept] : cases) {
        exec.setExePath(given);
        EXPECT_EQ(exec.ExePath(), kept) << given;
    }
}

TEST(AppExecTest, WindowStateSetsShowCmdAndHint) {
    FakeProcessStarter starter;
    TAppExec exec(starter);
    EXPECT_EQ(exec.ShowCmd(), 1);
    exec.ExeName = "/bin/true";
    const std::pair<TWindowState, WindowHint> cases[] = {
        {TWindowState::wsMinimized, WindowHint::Minimized},
        {TWindowState::wsMaximized, WindowHint::Maximized},
        {TWindowState::wsNormal, WindowHint::Normal},
    };
    std::uint16_t expected[] = {2, 3, 1};
    int i = 0;
    for (const auto& [state, hint] : cases) {
        exec.setWindowState(state);
        EXPECT_EQ(exec.ShowCmd(), expected[i++]);
        exec.Execute();
        EXPECT_EQ(starter.starts.back().window, hint);
    }
}

TEST(AppExecTest, CommandLineJoinsParametersUnquoted) {
    FakeProcessStarter starter;
    TAppExec exec(starter);
    exec.ChangeDir = false;
    exec.ExeName = "/opt/my prog";
    exec.ExeParams = {""};
    EXPECT_EQ(exec.CommandLine(), "/opt/my prog ");
    exec.Execute();
    EXPECT_EQ(starter.starts.back().program, "/opt/my prog");
    EXPECT_EQ(starter.starts.back().parameters, "");
    exec.ExeParams = {"-a \"b c\"", "d"};
    exec.Execute();
    EXPECT_EQ(starter.starts.back().parameters, "-a \"b c\" d");
    EXPECT_EQ(exec.ErrNo, -1);  // a start without Wait leaves it as it was
}

TEST(AppExecTest, CommandLineOver511IsAFailedStartWithoutStarting) {
    FakeProcessStarter starter;
    TAppExec exec(starter);
    exec.ExeName = "/bin/true";
    exec.ExeParams = {std::string(511 - 10, 'x')};  // 9 + 1 + 501 = 511: fits
    exec.Execute();
    EXPECT_EQ(starter.starts.size(), 1u);
    exec.ExeParams = {std::string(511 - 9, 'x')};
    EXPECT_THROW(exec.Execute(), EAppExecWinExec);
    EXPECT_EQ(starter.starts.size(), 1u);
    EXPECT_EQ(exec.ErrNo, E2BIG);
}

TEST(AppExecTest, FailedStartKeepsErrnoAndRaisesItsText) {
    FakeProcessStarter starter;
    starter.failures["/missing"] = ENOENT;
    TAppExec exec(starter);
    exec.ExeName = "/missing";
    try {
        exec.Execute();
        FAIL();
    } catch (const EAppExecWinExec& e) {
        EXPECT_STREQ(e.what(), "Fichier non trouvé");
    }
    EXPECT_EQ(exec.ErrNo, ENOENT);
}

TEST(AppExecTest, WaitSetsErrNoToZero) {
    FakeProcessStarter starter;
    TAppExec exec(starter);
    exec.ExeName = "/bin/true";
    exec.Wait = true;
    exec.Execute();
    EXPECT_TRUE(starter.starts.back().wait);
    EXPECT_EQ(exec.ErrNo, 0);
}

TEST(AppExecTest, ChangeDirGoesToTheProgramOnlyAndFailsForAMissingFolder) {
    FakeProcessStarter starter;
    TAppExec exec(starter);
    exec.ExeName = "/bin/true";
    exec.setExePath("/tmp/");
    exec.Execute();
    EXPECT_EQ(starter.starts.back().workingDirectory, "/tmp");
    exec.ChangeDir = false;
    exec.Execute();
    EXPECT_EQ(starter.starts.back().workingDirectory, "");
    exec.ChangeDir = true;
    exec.setExePath("/no/such/folder");
    EXPECT_THROW(exec.Execute(), EAppExecChDir);
    exec.setExePath("/bin/true");  // a file, not a folder
    EXPECT_THROW(exec.Execute(), EAppExecChDir);
    EXPECT_EQ(starter.starts.size(), 2u);
    // A relative name is this program's, not looked up again in the new folder.
    const std::string here = std::filesystem::current_path().string();
    exec.ExeName = "tests/probe";
    exec.setExePath(".");
    exec.Execute();
    EXPECT_EQ(starter.starts.back().program, here + "/tests/probe");
    EXPECT_EQ(starter.starts.back().workingDirectory, here + "/.");
}

TEST(AppExecTest, ErrorTextTable) {
    FakeProcessStarter starter;
    TAppExec exec(starter);
    // Linux errno values, as the starter returns them.
    const std::pair<int, const char*> cases[] = {
        {-1, "Pas d'exécution"},
        {0, "Pas d'erreur"},
        {ENOENT, "Fichier non trouvé"},
        {EACCES,
         "Accès refusé : le fichier n'est pas exécutable, ou un dossier du chemin est fermé"},
        {ENOEXEC, "Format d'exécutable inconnu (un script doit commencer par #!)"},
        {ENOTDIR, "Chemin non trouvé : une partie du chemin n'est pas un dossier"},
        {E2BIG, "Ligne de commande trop longue"},
        {EDOM, "Erreur système 33 (Numerical argument out of domain)"},
    };
    for (const auto& [no, text] : cases) {
        exec.ErrNo = no;
        EXPECT_EQ(exec.GetErrorText(), text) << no;
    }
}

}  // namespace
}  // namespace pontavi
