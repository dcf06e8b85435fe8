// "Play!" with the stand-in game: what the game sees (its command line, the
// staged demo, the video mode) and what is cleaned up once it has exited.

#include <gtest/gtest.h>

#include <stdio.h>

#include "app/resource.h"
#include "tests/e2e/support/checks.h"
#include "tests/e2e/support/driver.h"
#include "tests/e2e/support/scratch.h"

static SampleDemoSpec PlayedDemo()
{
    return DemoSpec(47, "de_played", 800, 600, {"Rookie", "Sniper"});
}

static std::string SampleDemoBytes(const SampleDemoSpec& spec)
{
    std::vector<unsigned char> bytes = BuildSampleDemo(spec);
    return std::string(bytes.begin(), bytes.end());
}

static bool WaitForFile(const std::string& path)
{
    for (int waited = 0; waited < DRIVER_TIMEOUT_MS; waited += 50) {
        if (FileExists(path))
            return true;
        Sleep(50);
    }
    return false;
}

// The game's settings and video mode as a user who saved them would have them.
static bool PrepareSettings(const std::string& gamePath, const char* commandLine, const char* speed)
{
    return DeleteRegistryTree(HKEY_CURRENT_USER, SETTINGS_KEY) && DeleteRegistryTree(HKEY_CURRENT_USER, HALF_LIFE_KEY)
        && WriteSavedSettings(gamePath, commandLine, speed) && WriteVideoMode(HALF_LIFE_KEY, 1280, 960);
}

struct E2ePlay : E2eRunTest {};

TEST_F(E2ePlay, TheGameGetsTheStagedDemoAndItsModeAndEverythingIsPutBack)
{
    Install("play");
    std::string game = JoinPath(folder, "Half-Life");
    ASSERT_TRUE(MakeFolders(JoinPath(game, "cstrike")));
    std::string hl = JoinPath(game, "hl.exe");
    ASSERT_TRUE(InstallStandinGame(hl));
    std::string demo = JoinPath(folder, "played.dem");
    ASSERT_TRUE(WriteDemo(demo, PlayedDemo()));
    ASSERT_TRUE(PrepareSettings(hl, "-nofbo -dev", "1.5"));
    std::string report = JoinPath(game, "standin_report.txt");
    std::string staged = JoinPath(game, "cstrike\\flickbox.dem");

    ASSERT_TRUE(StartFlickbox(exe.c_str(), demo.c_str(), folder.c_str(), &run));
    ASSERT_TRUE(WaitForMainWindow(&run));
    EXPECT_EQ(hl, ReadField(run.window, IDC_MAIN_EXE_PATH));
    PostCommand(run.window, IDC_MAIN_PLAY);
    ASSERT_TRUE(WaitForFile(report)) << "the game was not started";
    // The play blocks the window until the game has exited and been cleaned up after.
    ASSERT_TRUE(WaitUntilResponsive(run.window));

    std::string seen;
    ASSERT_TRUE(ReadWholeFile(report, &seen));
    EXPECT_NE(std::string::npos, seen.find("commandline=" + hl
        + " -nofbo -dev -game cstrike -console -toconsole +exec config.cfg +playdemo flickbox.dem 1.5\n")) << seen;
    EXPECT_NE(std::string::npos, seen.find("cwd=" + folder + "\n")) << seen;
    EXPECT_NE(std::string::npos, seen.find("EngineModeW=800\nEngineModeH=600\n")) << seen;
    EXPECT_NE(std::string::npos, seen.find("mod=cstrike\n")) << seen;
    EXPECT_NE(std::string::npos, seen.find("demo=" + Fingerprint(SampleDemoBytes(PlayedDemo())) + "\n")) << seen;

    EXPECT_FALSE(FileExists(staged)) << "the staged demo was left behind";
    DWORD width = 0, height = 0;
    EXPECT_TRUE(ReadRegistryNumber(HKEY_CURRENT_USER, HALF_LIFE_KEY, "EngineModeW", &width));
    EXPECT_TRUE(ReadRegistryNumber(HKEY_CURRENT_USER, HALF_LIFE_KEY, "EngineModeH", &height));
    EXPECT_EQ(1280u, width);
    EXPECT_EQ(960u, height);
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));

    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2ePlay, WithoutADemoOrAGameItSaysWhatIsMissing)
{
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, SETTINGS_KEY));
    Install("missing");
    std::string demo = JoinPath(folder, "ready.dem");
    ASSERT_TRUE(WriteDemo(demo, PlayedDemo()));

    ASSERT_TRUE(LaunchFlickbox(exe, NULL, &run));
    ASSERT_TRUE(SetField(run.window, IDC_MAIN_EXE_PATH, "C:\\Games\\Half-Life\\hl.exe"));
    PostCommand(run.window, IDC_MAIN_PLAY);
    ExpectMessageBox(run, "Flickbox", "No demo-file loaded.");
    ASSERT_TRUE(SetField(run.window, IDC_MAIN_DEMO_PATH, "C:"));
    PostCommand(run.window, IDC_MAIN_PLAY);
    ExpectMessageBox(run, "Flickbox", "No demo-file loaded.");

    ASSERT_TRUE(SetField(run.window, IDC_MAIN_DEMO_PATH, demo));
    ASSERT_TRUE(SetField(run.window, IDC_MAIN_EXE_PATH, "C:"));
    PostCommand(run.window, IDC_MAIN_PLAY);
    ExpectMessageBox(run, "Flickbox", "You have not located your hl.exe/cstrike.exe.");
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
}

TEST_F(E2ePlay, FailuresToStageOrStartAreReportedWithTheSystemText)
{
    Install("fail");
    std::string game = JoinPath(folder, "Half-Life");
    ASSERT_TRUE(MakeFolders(game));
    std::string hl = JoinPath(game, "hl.exe");
    std::string demo = JoinPath(folder, "played.dem");
    ASSERT_TRUE(WriteDemo(demo, PlayedDemo()));
    ASSERT_TRUE(PrepareSettings(hl, "", ""));

    ASSERT_TRUE(LaunchFlickbox(exe, demo.c_str(), &run));
    // No mod folder to stage into.
    PostCommand(run.window, IDC_MAIN_PLAY);
    ExpectMessageBox(run, "Error", "Could not copy demo-file: " + SystemErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));

    // Staged, but there is no game to start.
    ASSERT_TRUE(MakeFolders(JoinPath(game, "cstrike")));
    PostCommand(run.window, IDC_MAIN_PLAY);
    ExpectMessageBox(run, "Error", "Could not start HL.EXE/CSTRIKE.EXE: " + SystemErrorText(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
}

TEST_F(E2ePlay, AHandOverDuringAPlayIsTakenInOnceTheGameHasExited)
{
    Install("busy");
    std::string game = JoinPath(folder, "Half-Life");
    ASSERT_TRUE(MakeFolders(JoinPath(game, "cstrike")));
    std::string hl = JoinPath(game, "hl.exe");
    ASSERT_TRUE(InstallStandinGame(hl));
    // The stand-in keeps running until the release flag appears.
    ASSERT_TRUE(WriteFileBytes(JoinPath(game, "standin_wait.flag"), std::string("1")));
    std::string demo = JoinPath(folder, "played.dem");
    std::string handed = JoinPath(folder, "handed.dem");
    ASSERT_TRUE(WriteDemo(demo, PlayedDemo()));
    SampleDemoSpec other = PlayedDemo();
    other.mapName = "de_handed";
    ASSERT_TRUE(WriteDemo(handed, other));
    ASSERT_TRUE(PrepareSettings(hl, "", ""));

    ASSERT_TRUE(LaunchFlickbox(exe, demo.c_str(), &run));
    PostCommand(run.window, IDC_MAIN_PLAY);
    ASSERT_TRUE(WaitForFile(JoinPath(game, "standin_report.txt")));

    FlickboxRun second;
    ASSERT_TRUE(StartAnotherFlickbox(exe.c_str(), handed.c_str(), NULL, &second));
    // The second start waits in its hand-over while the game runs.
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(second.process.hProcess, 1000));
    ASSERT_TRUE(WriteFileBytes(JoinPath(game, "standin_release.flag"), std::string("1")));
    DWORD exitCode = 99;
    EXPECT_TRUE(WaitForExit(second, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EndFlickbox(&second);
    EXPECT_EQ(handed, ReadField(run.window, IDC_MAIN_DEMO_PATH));
    EXPECT_FALSE(FileExists(JoinPath(game, "cstrike\\flickbox.dem")));

    EXPECT_EQ(0u, CloseAndEnd(&run));
}
