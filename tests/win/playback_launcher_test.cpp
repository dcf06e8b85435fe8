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

using Report = std::map<std::string, std::string>;

static const char fixedText[] = " -console -toconsole +exec config.cfg +playdemo flickbox.dem ";

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

static std::string CurrentDirectory()
{
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    return cwd;
}

// Each test plays in game scenes of its own.
struct PlaybackLaunch : GameSceneTest {
    std::string demoPath;
    std::string stagedPath;
    const char* gameKey = NULL;

    // A game scene, a demo to play, the user's mode 1024x768 in the game's
    // key and the dialog filled in; the demo is of protocol 48, 640x480, not
    // HLTV, unless the test says otherwise.
    void Open(const std::string& name, bool counterStrike, const std::string& mod)
    {
        ResetPlaybackRegistry();
        OpenGame(name, counterStrike, mod);
        demoPath = root + "\\demos\\match.dem";
        SampleDemoSpec spec;
        spec.gameDir = mod;
        spec.width = 640;
        spec.height = 480;
        CreateDirectoryA((root + "\\demos").c_str(), NULL);
        EXPECT_TRUE(WriteSampleDemo(demoPath.c_str(), spec));
        stagedPath = tree.installDir + "\\" + mod + "\\flickbox.dem";
        gameKey = counterStrike ? COUNTER_STRIKE_KEY : HALF_LIFE_KEY;
        SetModeValue(gameKey, "EngineModeW", 1024);
        SetModeValue(gameKey, "EngineModeH", 768);
        SetCurrentMode("1024", "768");
        SetDemoState(mod.c_str(), "48", "640", "480", false);
        SetFieldText(dialog, IDC_MAIN_DEMO_PATH, demoPath);
        SetFieldText(dialog, IDC_MAIN_COMMAND_LINE, "");
        SetFieldText(dialog, IDC_MAIN_DEMO_SPEED, "");
        TakeRecordedBoxes();
    }

    std::string Mode() const
    {
        return RegistryNumberText(gameKey, "EngineModeW") + "x" + RegistryNumberText(gameKey, "EngineModeH");
    }

    // Nothing staged, no game run, no file swapped and the mode as it was.
    void ExpectPlayStoppedBeforeAnyChange()
    {
        EXPECT_FALSE(FileExists(stagedPath));
        EXPECT_TRUE(ReadReport(tree).empty());
        EXPECT_FALSE(FileExists(tree.installDir + "\\hl.dat.org"));
        EXPECT_EQ("1024x768", Mode());
    }

    // A play that shows exactly these errors.
    void PlayExpecting(const std::vector<std::string>& errors)
    {
        PlayDemo(dialog);
        ExpectErrorBoxes(errors);
    }
    // A play that shows no error: what the stand-in reported.
    Report PlayQuietly()
    {
        PlayExpecting({});
        return ReadReport(tree);
    }
    void PlayProtocol43(bool counterStrike);
};

TEST_F(PlaybackLaunch, ShortPathsStopBeforeAnything)
{
    Open("short_paths", false, "valve");
    SetFieldText(dialog, IDC_MAIN_DEMO_PATH, "C:");
    PlayDemo(dialog);
    ExpectOnlyNotice("No demo-file loaded.");

    SetFieldText(dialog, IDC_MAIN_DEMO_PATH, demoPath);
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, "C:");
    PlayDemo(dialog);
    ExpectOnlyNotice("You have not located your hl.exe/cstrike.exe.");

    ExpectPlayStoppedBeforeAnyChange();
}

TEST_F(PlaybackLaunch, OverridePlayEndToEnd)
{
    Open("override", false, "valve");
    SetFieldText(dialog, IDC_MAIN_COMMAND_LINE, " -dev  -w 640");
    SetFieldText(dialog, IDC_MAIN_DEMO_SPEED, "+host_framerate 0.02 cut");

    Report report = PlayQuietly();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(tree.exePath + "  -dev  -w 640 -game valve" + fixedText + "+host_framerate 0.0",
              report["commandline"]);
    EXPECT_EQ(CurrentDirectory(), report["cwd"]);
    EXPECT_EQ("640x480", ReportedMode(report));
    EXPECT_EQ(FileFingerprint(demoPath), report["demo"]);
    ExpectReportedFiles(report, tree, "game");

    EXPECT_EQ("1024x768", Mode());
    EXPECT_FALSE(FileExists(stagedPath));
    EXPECT_FALSE(FileExists(tree.installDir + "\\hl.dat.org"));
    EXPECT_FALSE(FileExists(tree.installDir + "\\hl.dat.bak"));
}

TEST_F(PlaybackLaunch, CounterStrikeOverrideWithEmptyValues)
{
    Open("cs_override", true, "cstrike");
    SetModeValue(HALF_LIFE_KEY, "EngineModeW", 320);
    SetDemoState("cstrike", "47", "800", "600", false);
    std::string upper = tree.installDir + "\\CSTRIKE.EXE";
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, upper);

    Report report = PlayQuietly();
    EXPECT_EQ(upper + "  -game cstrike" + fixedText, report["commandline"]);
    EXPECT_EQ("800x600", ReportedMode(report));
    EXPECT_EQ(FileFingerprint(demoPath), report["demo"]);
    EXPECT_EQ("1024x768", Mode());
    EXPECT_EQ("320", RegistryNumberText(HALF_LIFE_KEY, "EngineModeW"));
    EXPECT_FALSE(FileExists(stagedPath));
}

void PlaybackLaunch::PlayProtocol43(bool counterStrike)
{
    Open(counterStrike ? "cs_43" : "hl_43", counterStrike, "cstrike");
    SetDemoState("cstrike", "43", "640", "480", false);
    SetFieldText(dialog, IDC_MAIN_DEMO_SPEED, "0.5");

    Report report = PlayQuietly();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(tree.exePath + "  -game cstrike" + fixedText + "0.5", report["commandline"]);
    // The pack is live while the game runs, and the mode is not overridden.
    ExpectReportedFiles(report, tree, "pack");
    EXPECT_EQ("1024x768", ReportedMode(report));
    EXPECT_EQ(FileFingerprint(demoPath), report["demo"]);

    ExpectTreeFiles(tree, "game");
    ExpectTreeFiles(tree, "game", ".org");
    ExpectTreeFiles(tree, "game", ".bak");
    EXPECT_FALSE(FileExists(stagedPath));
    EXPECT_EQ("1024x768", Mode());

    // A second play: the pristine copy stays, the backup is fresh.
    std::string hw = tree.installDir + "\\hw.dll";
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
        EXPECT_EQ("1024x768", Mode());
    }

    // An executable named neither hl.exe nor cstrike.exe still plays, as is.
    std::string other = tree.installDir + "\\launcher.exe";
    CopyFileA(tree.exePath.c_str(), other.c_str(), FALSE);
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, other);
    SetDemoState("valve", "48", "640", "480", false);
    Report report = PlayQuietly();
    EXPECT_EQ(other + "  -game valve" + fixedText, report["commandline"]);
    EXPECT_EQ("1024x768", ReportedMode(report));
}

TEST_F(PlaybackLaunch, GameFailingOnExitIsCleanedUpAlike)
{
    Open("game_fails", false, "cstrike");
    SetDemoState("cstrike", "43", "640", "480", false);
    WriteFileBytes(tree.installDir + "\\standin_fail.flag", "");

    EXPECT_EQ("pack hw.dll", PlayQuietly()["file hw.dll"]);
    ExpectTreeFiles(tree, "game");
    EXPECT_FALSE(FileExists(stagedPath));
}

TEST_F(PlaybackLaunch, ReadOnlyStagedDemoIsOverwritten)
{
    Open("read_only_demo", false, "valve");
    WriteFileBytes(stagedPath, "an earlier demo");
    SetReadOnly(stagedPath);

    EXPECT_EQ(FileFingerprint(demoPath), PlayQuietly()["demo"]);
    EXPECT_FALSE(FileExists(stagedPath));
}

TEST_F(PlaybackLaunch, DemoThatCannotBeCopiedStopsThePlay)
{
    Open("no_demo", false, "valve");
    SetDemoState("valve", "43", "640", "480", false);
    SetFieldText(dialog, IDC_MAIN_DEMO_PATH, root + "\\demos\\gone.dem");

    PlayExpecting({ErrorBoxText("Could not copy demo-file", ERROR_FILE_NOT_FOUND)});
    ExpectPlayStoppedBeforeAnyChange();

    // A path longer than the field's 259 characters, whose first 259 name
    // a copy of the demo, is not cut to them.
    std::string cut = root + "\\demos\\" + std::string(259 - root.size() - 7, 'a');
    ASSERT_TRUE(CopyFileA(demoPath.c_str(), cut.c_str(), FALSE));
    SetFieldText(dialog, IDC_MAIN_DEMO_PATH, cut + ".dem");
    PlayExpecting({ErrorBoxText("Could not copy demo-file", ERROR_FILENAME_EXCED_RANGE)});
    ExpectPlayStoppedBeforeAnyChange();
}

TEST_F(PlaybackLaunch, GameThatDoesNotStartIsCleanedUp)
{
    Open("no_start", false, "valve");
    DeleteFileA(tree.exePath.c_str());

    PlayExpecting({ErrorBoxText("Could not start HL.EXE/CSTRIKE.EXE", ERROR_FILE_NOT_FOUND)});
    EXPECT_FALSE(FileExists(stagedPath));
    EXPECT_EQ("1024x768", Mode());

    // The pack's executable cannot run: the swap is reverted all the same.
    Open("no_start_43", false, "cstrike");
    SetDemoState("cstrike", "43", "640", "480", false);
    WriteFileBytes(appState.programDir + std::string("\\p43\\hl.exe"), "pack hl.exe");

    PlayExpecting({ErrorBoxText("Could not start HL.EXE/CSTRIKE.EXE", ERROR_BAD_EXE_FORMAT)});
    EXPECT_TRUE(ReadReport(tree).empty());
    ExpectTreeFiles(tree, "game");
    EXPECT_FALSE(FileExists(stagedPath));
}

TEST_F(PlaybackLaunch, TooLongLineOrPathIsRefusedBeforeAnyChange)
{
    Open("too_long", false, "valve");
    SetDemoState("valve", "43", "640", "480", false);
    // 69 fixed characters, the path, "valve" and the speed leave this short.
    size_t room = 259 - 69 - tree.exePath.size() - 5 - 3;
    SetFieldText(dialog, IDC_MAIN_DEMO_SPEED, "1.5");
    SetFieldText(dialog, IDC_MAIN_COMMAND_LINE, std::string(room + 1, 'x'));

    PlayDemo(dialog);

    ExpectOnlyNotice("The game's command line is too long.");
    ExpectPlayStoppedBeforeAnyChange();

    // One character less fits, and plays.
    SetDemoState("valve", "48", "640", "480", false);
    SetFieldText(dialog, IDC_MAIN_COMMAND_LINE, std::string(room, 'x'));
    EXPECT_EQ(259u, PlayQuietly()["commandline"].size());

    Open("too_long_stage", false, "valve");
    std::string mod(240, 'm');
    SetDemoState(mod.c_str(), "48", "640", "480", false);
    SetModeValue(HALF_LIFE_KEY, "EngineModeW", 1024);

    PlayDemo(dialog);

    ExpectOnlyNotice("The demo cannot be staged: the path is too long.");
    EXPECT_EQ("1024x768", Mode());
    EXPECT_TRUE(ReadReport(tree).empty());
}

TEST_F(PlaybackLaunch, ModDirLeadingOutOfTheTreeIsRefused)
{
    Open("unsafe_mod", false, "valve");
    SetDemoState("..\\outside", "43", "640", "480", false);
    CreateDirectoryA((root + "\\outside").c_str(), NULL);

    PlayDemo(dialog);

    ExpectOnlyNotice("The demo's game directory is not a plain folder name.");
    EXPECT_FALSE(FileExists(root + "\\outside\\flickbox.dem"));
    ExpectPlayStoppedBeforeAnyChange();
}

TEST_F(PlaybackLaunch, RestoreLeavesValuesNeverRead)
{
    Open("unsound_restore", false, "valve");
    SetCurrentMode("", "768");
    SetModeValue(HALF_LIFE_KEY, "EngineModeH", 700);

    EXPECT_EQ("640x480", ReportedMode(PlayQuietly()));
    EXPECT_EQ("640x768", Mode());
}

TEST_F(PlaybackLaunch, MissingGameKeyIsReportedAtOverrideAndRestore)
{
    Open("no_game_key", false, "valve");
    ResetPlaybackRegistry();

    PlayDemo(dialog);

    std::string message = ErrorBoxText("Could not read Half-Life registry", ERROR_FILE_NOT_FOUND);
    ExpectErrorBoxes({message, message});
    EXPECT_EQ("nonexnone", ReportedMode(ReadReport(tree)));
    EXPECT_FALSE(FileExists(stagedPath));
}

TEST_F(PlaybackLaunch, MissingPackFileStillPlaysAndReverts)
{
    Open("pack_missing", false, "cstrike");
    SetDemoState("cstrike", "43", "640", "480", false);
    DeleteFileA((appState.programDir + std::string("\\p43\\hw.dll")).c_str());

    PlayExpecting({ErrorBoxText("Could not copy hw.dll", ERROR_FILE_NOT_FOUND)});
    Report report = ReadReport(tree);
    EXPECT_EQ("pack hl.dat", report["file hl.dat"]);
    EXPECT_EQ("game hw.dll", report["file hw.dll"]);
    EXPECT_EQ("1024x768", ReportedMode(report));
    ExpectTreeFiles(tree, "game");
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
    WriteFileBytes(tree.installDir + "\\standin_wait.flag", "");

    HANDLE thread = CreateThread(NULL, 0, PlayOnThread, dialog, 0, NULL);
    ASSERT_TRUE(thread);
    for (int i = 0; i < 1500 && ReadReport(tree).empty(); i++)
        PumpFor(20);
    ASSERT_FALSE(ReadReport(tree).empty());

    PumpFor(200);
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(thread, 0));
    EXPECT_TRUE(FileExists(stagedPath));
    EXPECT_EQ("640x480", Mode());

    WriteFileBytes(tree.installDir + "\\standin_release.flag", "");
    for (int i = 0; i < 3000 && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT; i++)
        PumpFor(20);
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(thread, 0));
    CloseHandle(thread);
    ExpectErrorBoxes({});
    EXPECT_FALSE(FileExists(stagedPath));
    EXPECT_EQ("1024x768", Mode());
}
