#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/app_state.h"
#include "app/resource.h"
#include "playback/launcher.h"
#include "tests/support/test_files.h"
#include "tests/win/support/dialog_fields.h"
#include "tests/win/support/expected_boxes.h"
#include "tests/win/support/playback_test_support.h"
#include "tests/win/support/recorded_messages.h"
#include "tools/sample_demo.h"

struct PlayScene {
    std::string root;
    GameTree tree;
    std::string demoPath;
    std::string stagedPath;
    const char* gameKey;
    HWND dialog;
};

using Report = std::map<std::string, std::string>;

static const char fixedText[] = " -console -toconsole +exec config.cfg +playdemo flickbox.dem ";

static std::string Mode(const PlayScene& scene)
{
    return RegistryNumberText(scene.gameKey, "EngineModeW") + "x" +
           RegistryNumberText(scene.gameKey, "EngineModeH");
}

static std::string ReportedMode(const Report& report)
{
    std::string width = report.count("EngineModeW") ? report.at("EngineModeW") : "?";
    std::string height = report.count("EngineModeH") ? report.at("EngineModeH") : "?";
    return width + "x" + height;
}

// What the stand-in saw of the tree's files, compared with one origin.
static void ExpectReportedFiles(const Report& report,
                                const GameTree& tree, const std::string& origin)
{
    for (const std::string& file : tree.engineFiles)
        EXPECT_EQ(origin + " " + file, report.count("file " + file) ? report.at("file " + file) : "?")
            << file;
    for (const std::string& file : tree.modFiles)
        EXPECT_EQ(origin + " " + file, report.count("file " + file) ? report.at("file " + file) : "?")
            << file;
}

// Nothing staged, no game run, no file swapped and the mode as it was.
static void ExpectPlayStoppedBeforeAnyChange(const PlayScene& scene)
{
    EXPECT_FALSE(FileExists(scene.stagedPath));
    EXPECT_TRUE(ReadReport(scene.tree).empty());
    EXPECT_FALSE(FileExists(scene.tree.installDir + "\\hl.dat.org"));
    EXPECT_EQ("1024x768", Mode(scene));
}

static std::string CurrentDirectory()
{
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    return cwd;
}

// Each test plays in scenes of its own; the last one goes with the test.
struct PlaybackLaunch : testing::Test {
    PlayScene scene;
    // A game tree with its pack, a demo to play, the user's mode 1024x768 in
    // the game's key and the dialog filled in; the demo is of protocol 48,
    // 640x480, not HLTV, unless the test says otherwise. Ends the scene before.
    void Open(const std::string& name, bool counterStrike, const std::string& mod)
    {
        Close();
        ResetPlaybackRegistry();
        scene.root = MakeScratchFolder("play-" + name);
        scene.tree = BuildGameAndPack(scene.root, counterStrike, mod);
        scene.demoPath = scene.root + "\\demos\\match.dem";
        SampleDemoSpec spec;
        spec.gameDir = mod;
        spec.width = 640;
        spec.height = 480;
        CreateDirectoryA((scene.root + "\\demos").c_str(), NULL);
        EXPECT_TRUE(WriteSampleDemo(scene.demoPath.c_str(), spec));
        scene.stagedPath = scene.tree.installDir + "\\" + mod + "\\flickbox.dem";
        scene.gameKey = counterStrike ? COUNTER_STRIKE_KEY : HALF_LIFE_KEY;
        SetModeValue(scene.gameKey, "EngineModeW", 1024);
        SetModeValue(scene.gameKey, "EngineModeH", 768);
        SetCurrentMode("1024", "768");
        SetDemoState(mod.c_str(), "48", "640", "480", false);
        scene.dialog = CreateIdleDialog(IDD_MAIN);
        SetFieldText(scene.dialog, IDC_MAIN_DEMO_PATH, scene.demoPath);
        SetFieldText(scene.dialog, IDC_MAIN_EXE_PATH, scene.tree.exePath);
        SetFieldText(scene.dialog, IDC_MAIN_COMMAND_LINE, "");
        SetFieldText(scene.dialog, IDC_MAIN_DEMO_SPEED, "");
        TakeRecordedBoxes();
        ASSERT_TRUE(scene.dialog != NULL);
    }
    void Close()
    {
        if (scene.root.empty())
            return;
        DestroyWindow(scene.dialog);
        RemoveGameAndPack(scene.root);
        scene.root.clear();
    }
    ~PlaybackLaunch() { Close(); }

    // A play that shows exactly these errors.
    void PlayExpecting(const std::vector<std::string>& errors)
    {
        PlayDemo(scene.dialog);
        ExpectErrorBoxes(errors);
    }
    // A play that shows no error: what the stand-in reported.
    Report PlayQuietly()
    {
        PlayExpecting({});
        return ReadReport(scene.tree);
    }
    void PlayProtocol43(bool counterStrike);
};

TEST_F(PlaybackLaunch, ShortPathsStopBeforeAnything)
{
    Open("short_paths", false, "valve");
    SetFieldText(scene.dialog, IDC_MAIN_DEMO_PATH, "C:");
    PlayDemo(scene.dialog);
    ExpectOnlyNotice("No demo-file loaded.");

    SetFieldText(scene.dialog, IDC_MAIN_DEMO_PATH, scene.demoPath);
    SetFieldText(scene.dialog, IDC_MAIN_EXE_PATH, "C:");
    PlayDemo(scene.dialog);
    ExpectOnlyNotice("You have not located your hl.exe/cstrike.exe.");

    ExpectPlayStoppedBeforeAnyChange(scene);
}

TEST_F(PlaybackLaunch, OverridePlayEndToEnd)
{
    Open("override", false, "valve");
    SetFieldText(scene.dialog, IDC_MAIN_COMMAND_LINE, " -dev  -w 640");
    SetFieldText(scene.dialog, IDC_MAIN_DEMO_SPEED, "+host_framerate 0.02 cut");

    Report report = PlayQuietly();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(scene.tree.exePath + "  -dev  -w 640 -game valve" + fixedText + "+host_framerate 0.0",
              report["commandline"]);
    EXPECT_EQ(CurrentDirectory(), report["cwd"]);
    EXPECT_EQ("640x480", ReportedMode(report));
    EXPECT_EQ(FileFingerprint(scene.demoPath), report["demo"]);
    ExpectReportedFiles(report, scene.tree, "game");

    EXPECT_EQ("1024x768", Mode(scene));
    EXPECT_FALSE(FileExists(scene.stagedPath));
    EXPECT_FALSE(FileExists(scene.tree.installDir + "\\hl.dat.org"));
    EXPECT_FALSE(FileExists(scene.tree.installDir + "\\hl.dat.bak"));
}

TEST_F(PlaybackLaunch, CounterStrikeOverrideWithEmptyValues)
{
    Open("cs_override", true, "cstrike");
    SetModeValue(HALF_LIFE_KEY, "EngineModeW", 320);
    SetDemoState("cstrike", "47", "800", "600", false);
    std::string upper = scene.tree.installDir + "\\CSTRIKE.EXE";
    SetFieldText(scene.dialog, IDC_MAIN_EXE_PATH, upper);

    Report report = PlayQuietly();
    EXPECT_EQ(upper + "  -game cstrike" + fixedText, report["commandline"]);
    EXPECT_EQ("800x600", ReportedMode(report));
    EXPECT_EQ(FileFingerprint(scene.demoPath), report["demo"]);
    EXPECT_EQ("1024x768", Mode(scene));
    EXPECT_EQ("320", RegistryNumberText(HALF_LIFE_KEY, "EngineModeW"));
    EXPECT_FALSE(FileExists(scene.stagedPath));
}

void PlaybackLaunch::PlayProtocol43(bool counterStrike)
{
    Open(counterStrike ? "cs_43" : "hl_43", counterStrike, "cstrike");
    SetDemoState("cstrike", "43", "640", "480", false);
    SetFieldText(scene.dialog, IDC_MAIN_DEMO_SPEED, "0.5");

    Report report = PlayQuietly();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(scene.tree.exePath + "  -game cstrike" + fixedText + "0.5", report["commandline"]);
    // The pack is live while the game runs, and the mode is not overridden.
    ExpectReportedFiles(report, scene.tree, "pack");
    EXPECT_EQ("1024x768", ReportedMode(report));
    EXPECT_EQ(FileFingerprint(scene.demoPath), report["demo"]);

    ExpectTreeFiles(scene.tree, "game");
    ExpectTreeFiles(scene.tree, "game", ".org");
    ExpectTreeFiles(scene.tree, "game", ".bak");
    EXPECT_FALSE(FileExists(scene.stagedPath));
    EXPECT_EQ("1024x768", Mode(scene));

    // A second play: the pristine copy stays, the backup is fresh.
    std::string hw = scene.tree.installDir + "\\hw.dll";
    WriteFileBytes(hw, "game hw.dll v2");
    EXPECT_EQ("pack hw.dll", PlayQuietly()["file hw.dll"]);
    EXPECT_EQ("game hw.dll", FileTag(hw + ".org"));
    EXPECT_EQ("game hw.dll v2", FileTag(hw + ".bak"));
    EXPECT_EQ("game hw.dll v2", FileTag(hw));
}

TEST_F(PlaybackLaunch, Protocol43WithTheHalfLifeSet)
{
    PlayProtocol43(false);
}

TEST_F(PlaybackLaunch, Protocol43WithTheCounterStrikeSet)
{
    PlayProtocol43(true);
}

TEST_F(PlaybackLaunch, NoOverrideForHltvUndetectedOrUnknownGame)
{
    Open("no_override", false, "valve");
    struct Row {
        const char* width;
        const char* height;
        bool hltv;
    } rows[] = {{"640", "480", true}, {"*", "*", false}, {"640", "*", false}};
    for (const Row& row : rows) {
        SetDemoState("valve", "48", row.width, row.height, row.hltv);
        EXPECT_EQ("1024x768", ReportedMode(PlayQuietly())) << row.width << row.hltv;
        EXPECT_EQ("1024x768", Mode(scene));
    }

    // An executable named neither hl.exe nor cstrike.exe still plays, as is.
    std::string other = scene.tree.installDir + "\\launcher.exe";
    CopyFileA(scene.tree.exePath.c_str(), other.c_str(), FALSE);
    SetFieldText(scene.dialog, IDC_MAIN_EXE_PATH, other);
    SetDemoState("valve", "48", "640", "480", false);
    Report report = PlayQuietly();
    EXPECT_EQ(other + "  -game valve" + fixedText, report["commandline"]);
    EXPECT_EQ("1024x768", ReportedMode(report));
}

TEST_F(PlaybackLaunch, GameFailingOnExitIsCleanedUpAlike)
{
    Open("game_fails", false, "cstrike");
    SetDemoState("cstrike", "43", "640", "480", false);
    WriteFileBytes(scene.tree.installDir + "\\standin_fail.flag", "");

    EXPECT_EQ("pack hw.dll", PlayQuietly()["file hw.dll"]);
    ExpectTreeFiles(scene.tree, "game");
    EXPECT_FALSE(FileExists(scene.stagedPath));
}

TEST_F(PlaybackLaunch, ReadOnlyStagedDemoIsOverwritten)
{
    Open("read_only_demo", false, "valve");
    WriteFileBytes(scene.stagedPath, "an earlier demo");
    SetReadOnly(scene.stagedPath);

    EXPECT_EQ(FileFingerprint(scene.demoPath), PlayQuietly()["demo"]);
    EXPECT_FALSE(FileExists(scene.stagedPath));
}

TEST_F(PlaybackLaunch, DemoThatCannotBeCopiedStopsThePlay)
{
    Open("no_demo", false, "valve");
    SetDemoState("valve", "43", "640", "480", false);
    SetFieldText(scene.dialog, IDC_MAIN_DEMO_PATH, scene.root + "\\demos\\gone.dem");

    PlayExpecting({ErrorBoxText("Could not copy demo-file", ERROR_FILE_NOT_FOUND)});
    ExpectPlayStoppedBeforeAnyChange(scene);
}

TEST_F(PlaybackLaunch, GameThatDoesNotStartIsCleanedUp)
{
    Open("no_start", false, "valve");
    DeleteFileA(scene.tree.exePath.c_str());

    PlayExpecting({ErrorBoxText("Could not start HL.EXE/CSTRIKE.EXE", ERROR_FILE_NOT_FOUND)});
    EXPECT_FALSE(FileExists(scene.stagedPath));
    EXPECT_EQ("1024x768", Mode(scene));

    // The pack's executable cannot run: the swap is reverted all the same.
    Open("no_start_43", false, "cstrike");
    SetDemoState("cstrike", "43", "640", "480", false);
    WriteFileBytes(appState.programDir + std::string("\\p43\\hl.exe"), "pack hl.exe");

    PlayExpecting({ErrorBoxText("Could not start HL.EXE/CSTRIKE.EXE", ERROR_BAD_EXE_FORMAT)});
    EXPECT_TRUE(ReadReport(scene.tree).empty());
    ExpectTreeFiles(scene.tree, "game");
    EXPECT_FALSE(FileExists(scene.stagedPath));
}

TEST_F(PlaybackLaunch, TooLongLineOrPathIsRefusedBeforeAnyChange)
{
    Open("too_long", false, "valve");
    SetDemoState("valve", "43", "640", "480", false);
    // 69 fixed characters, the path, "valve" and the speed leave this short.
    size_t room = 259 - 69 - scene.tree.exePath.size() - 5 - 3;
    SetFieldText(scene.dialog, IDC_MAIN_DEMO_SPEED, "1.5");
    SetFieldText(scene.dialog, IDC_MAIN_COMMAND_LINE, std::string(room + 1, 'x'));

    PlayDemo(scene.dialog);

    ExpectOnlyNotice("The game's command line is too long.");
    ExpectPlayStoppedBeforeAnyChange(scene);

    // One character less fits, and plays.
    SetDemoState("valve", "48", "640", "480", false);
    SetFieldText(scene.dialog, IDC_MAIN_COMMAND_LINE, std::string(room, 'x'));
    EXPECT_EQ(259u, PlayQuietly()["commandline"].size());

    Open("too_long_stage", false, "valve");
    std::string mod(240, 'm');
    SetDemoState(mod.c_str(), "48", "640", "480", false);
    SetModeValue(HALF_LIFE_KEY, "EngineModeW", 1024);

    PlayDemo(scene.dialog);

    ExpectOnlyNotice("The demo cannot be staged: the path is too long.");
    EXPECT_EQ("1024x768", Mode(scene));
    EXPECT_TRUE(ReadReport(scene.tree).empty());
}

TEST_F(PlaybackLaunch, ModDirLeadingOutOfTheTreeIsRefused)
{
    Open("unsafe_mod", false, "valve");
    SetDemoState("..\\outside", "43", "640", "480", false);
    CreateDirectoryA((scene.root + "\\outside").c_str(), NULL);

    PlayDemo(scene.dialog);

    ExpectOnlyNotice("The demo's game directory is not a plain folder name.");
    EXPECT_FALSE(FileExists(scene.root + "\\outside\\flickbox.dem"));
    ExpectPlayStoppedBeforeAnyChange(scene);
}

TEST_F(PlaybackLaunch, RestoreLeavesValuesNeverRead)
{
    Open("unsound_restore", false, "valve");
    SetCurrentMode("", "768");
    SetModeValue(HALF_LIFE_KEY, "EngineModeH", 700);

    EXPECT_EQ("640x480", ReportedMode(PlayQuietly()));
    EXPECT_EQ("640x768", Mode(scene));
}

TEST_F(PlaybackLaunch, MissingGameKeyIsReportedAtOverrideAndRestore)
{
    Open("no_game_key", false, "valve");
    ResetPlaybackRegistry();

    PlayDemo(scene.dialog);

    std::string message = ErrorBoxText("Could not read Half-Life registry", ERROR_FILE_NOT_FOUND);
    ExpectErrorBoxes({message, message});
    EXPECT_EQ("nonexnone", ReportedMode(ReadReport(scene.tree)));
    EXPECT_FALSE(FileExists(scene.stagedPath));
}

TEST_F(PlaybackLaunch, MissingPackFileStillPlaysAndReverts)
{
    Open("pack_missing", false, "cstrike");
    SetDemoState("cstrike", "43", "640", "480", false);
    DeleteFileA((appState.programDir + std::string("\\p43\\hw.dll")).c_str());

    PlayExpecting({ErrorBoxText("Could not copy hw.dll", ERROR_FILE_NOT_FOUND)});
    Report report = ReadReport(scene.tree);
    EXPECT_EQ("pack hl.dat", report["file hl.dat"]);
    EXPECT_EQ("game hw.dll", report["file hw.dll"]);
    EXPECT_EQ("1024x768", ReportedMode(report));
    ExpectTreeFiles(scene.tree, "game");
}

// The play reads the dialog's fields from its own thread, so this one must
// keep answering the dialog's messages while it waits.
static void PumpFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(5);
    }
}

static DWORD WINAPI PlayOnThread(LPVOID dialog)
{
    PlayDemo((HWND)dialog);
    return 0;
}

TEST_F(PlaybackLaunch, WaitsForTheGameBeforeCleaningUp)
{
    Open("waiting", false, "valve");
    WriteFileBytes(scene.tree.installDir + "\\standin_wait.flag", "");

    HANDLE thread = CreateThread(NULL, 0, PlayOnThread, scene.dialog, 0, NULL);
    ASSERT_TRUE(thread);
    for (int i = 0; i < 1500 && ReadReport(scene.tree).empty(); i++)
        PumpFor(20);
    ASSERT_FALSE(ReadReport(scene.tree).empty());

    PumpFor(200);
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(thread, 0));
    EXPECT_TRUE(FileExists(scene.stagedPath));
    EXPECT_EQ("640x480", Mode(scene));

    WriteFileBytes(scene.tree.installDir + "\\standin_release.flag", "");
    for (int i = 0; i < 3000 && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT; i++)
        PumpFor(20);
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(thread, 0));
    CloseHandle(thread);
    ExpectErrorBoxes({});
    EXPECT_FALSE(FileExists(scene.stagedPath));
    EXPECT_EQ("1024x768", Mode(scene));
}
