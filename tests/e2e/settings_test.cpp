// "Save" and the next start that loads the settings back, with the game's
// video mode read at start-up, and the messages of a damaged settings key.

#include <gtest/gtest.h>

#include "tests/e2e/support/driver.h"
#include "tests/e2e/support/scratch.h"

enum { SUMMARY = 1007, GAME_PATH = 1011, SAVE = 1012, COMMAND_LINE = 1013, DEMO_SPEED = 1026 };

static const char SETTINGS_KEY[] = "Software\\Brakwood\\Flickbox\\Settings";
static const char HALF_LIFE_KEY[] = "Software\\Valve\\Half-Life\\Settings";

static void ExpectBox(DWORD processId, const char* caption, const std::string& text)
{
    MessageBoxView box;
    ASSERT_TRUE(WaitForMessageBox(processId, &box)) << "no box saying: " << text;
    EXPECT_EQ(caption, box.caption);
    EXPECT_EQ(text, box.text);
    EXPECT_TRUE(AnswerMessageBox(box, IDOK));
}

static std::string SettingText(const char* value)
{
    bool found = false;
    std::string text = ReadRegistryText(HKEY_CURRENT_USER, SETTINGS_KEY, value, &found);
    return found ? text : std::string("<missing>");
}

TEST(E2eSettings, SaveStoresTheFieldsAndTheNextStartLoadsThem)
{
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, SETTINGS_KEY));
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, HALF_LIFE_KEY));
    std::string folder = MakeScratchFolder("save");
    std::string exe = InstallFlickboxCopy(folder);
    std::string game = "C:\\Games\\Half-Life\\HL.EXE";

    FlickboxRun run;
    ASSERT_TRUE(StartFlickbox(exe.c_str(), NULL, NULL, &run));
    ASSERT_TRUE(WaitForMainWindow(&run));
    // A first run finds no settings and says nothing.
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
    EXPECT_EQ("", ReadField(run.window, GAME_PATH));
    EXPECT_EQ("", ReadField(run.window, COMMAND_LINE));
    EXPECT_EQ("", ReadField(run.window, DEMO_SPEED));

    ASSERT_TRUE(SetField(run.window, GAME_PATH, game));
    ASSERT_TRUE(SetField(run.window, COMMAND_LINE, "-dev -nofbo +cl_showfps 1"));
    ASSERT_TRUE(SetField(run.window, DEMO_SPEED, "host_framerate 0.01 extra"));
    PostCommand(run.window, SAVE);
    ExpectBox(run.process.dwProcessId, "Flickbox", "Settings succesfully saved.");
    EXPECT_EQ(game, SettingText("Path"));
    EXPECT_EQ("-dev -nofbo +cl_showfps 1", SettingText("CommandLine"));
    // The speed field is taken up to 19 characters.
    EXPECT_EQ("host_framerate 0.01", SettingText("DemoSpeed"));
    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EndFlickbox(&run);

    // The next start loads them, and the game's video mode with them.
    ASSERT_TRUE(WriteRegistryNumber(HKEY_CURRENT_USER, HALF_LIFE_KEY, "EngineModeW", 1152));
    ASSERT_TRUE(WriteRegistryNumber(HKEY_CURRENT_USER, HALF_LIFE_KEY, "EngineModeH", 864));
    std::string demo = JoinPath(folder, "shown.dem");
    SampleDemoSpec spec;
    spec.width = 512;
    spec.height = 384;
    ASSERT_TRUE(WriteDemo(demo, spec));
    ASSERT_TRUE(StartFlickbox(exe.c_str(), demo.c_str(), NULL, &run));
    ASSERT_TRUE(WaitForMainWindow(&run));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
    EXPECT_EQ(game, ReadField(run.window, GAME_PATH));
    EXPECT_EQ("-dev -nofbo +cl_showfps 1", ReadField(run.window, COMMAND_LINE));
    EXPECT_EQ("host_framerate 0.01", ReadField(run.window, DEMO_SPEED));
    EXPECT_EQ("Half-Life Version: N/A\nDemo Type: HLDEMO\nDemo Version: 5\nNetwork Version: 48\nMap: de_dust\n"
              "Mod: cstrike\nCurrent Res: 1152x864\nDemo Res: 512x384\n",
              ReadField(run.window, SUMMARY));
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EndFlickbox(&run);
}

TEST(E2eSettings, AMissingValueOrGameKeyIsReportedAtStartUp)
{
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, SETTINGS_KEY));
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, HALF_LIFE_KEY));
    ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, SETTINGS_KEY, "Path", "C:\\Games\\Half-Life\\hl.exe"));
    ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, SETTINGS_KEY, "CommandLine", "-console"));
    std::string folder = MakeScratchFolder("damaged");
    std::string exe = InstallFlickboxCopy(folder);

    FlickboxRun run;
    ASSERT_TRUE(StartFlickbox(exe.c_str(), NULL, NULL, &run));
    ExpectBox(run.process.dwProcessId, "Error", "Could not read BWV3: " + SystemText(ERROR_FILE_NOT_FOUND));
    ExpectBox(run.process.dwProcessId, "Error", "Could not read Half-Life registry: " + SystemText(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(WaitForMainWindow(&run));
    EXPECT_EQ("C:\\Games\\Half-Life\\hl.exe", ReadField(run.window, GAME_PATH));
    EXPECT_EQ("-console", ReadField(run.window, COMMAND_LINE));
    EXPECT_EQ("", ReadField(run.window, DEMO_SPEED));
    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EndFlickbox(&run);
}

TEST(E2eSettings, AFailedSaveIsNotReportedAsSaved)
{
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Brakwood"));
    // A volatile parent refuses the lasting settings key beneath it.
    HKEY parent;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brakwood", 0, NULL, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, NULL, &parent, NULL));
    RegCloseKey(parent);
    std::string folder = MakeScratchFolder("refused");
    std::string exe = InstallFlickboxCopy(folder);

    FlickboxRun run;
    ASSERT_TRUE(StartFlickbox(exe.c_str(), NULL, NULL, &run));
    ASSERT_TRUE(WaitForMainWindow(&run));
    ASSERT_TRUE(SetField(run.window, GAME_PATH, "C:\\Games\\cstrike.exe"));
    PostCommand(run.window, SAVE);
    ExpectBox(run.process.dwProcessId, "Error",
              "Could not create the settings registry key: " + SystemText(ERROR_CHILD_MUST_BE_VOLATILE));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
    EXPECT_EQ("<missing>", SettingText("Path"));

    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EndFlickbox(&run);
    EXPECT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Brakwood"));
}
