// "Save" and the next start that loads the settings back, with the game's
// video mode read at start-up, and the messages of a damaged settings key.

#include <gtest/gtest.h>

#include "app/resource.h"
#include "tests/e2e/support/checks.h"
#include "tests/e2e/support/driver.h"
#include "tests/e2e/support/scratch.h"

static std::string SettingText(const char* value)
{
    bool found = false;
    std::string text = ReadRegistryString(HKEY_CURRENT_USER, SETTINGS_KEY, value, &found);
    return found ? text : std::string("<missing>");
}

// The three settings fields as the main window shows them.
static void ExpectSettingsFields(const FlickboxRun& run, const std::string& game, const char* commandLine,
                                 const char* speed)
{
    EXPECT_EQ(game, ReadField(run.window, IDC_MAIN_EXE_PATH));
    EXPECT_EQ(commandLine, ReadField(run.window, IDC_MAIN_COMMAND_LINE));
    EXPECT_EQ(speed, ReadField(run.window, IDC_MAIN_DEMO_SPEED));
}

struct E2eSettings : E2eRunTest {};

TEST_F(E2eSettings, SaveStoresTheFieldsAndTheNextStartLoadsThem)
{
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, SETTINGS_KEY));
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, HALF_LIFE_KEY));
    Install("save");
    std::string game = "C:\\Games\\Half-Life\\HL.EXE";

    ASSERT_TRUE(LaunchFlickbox(exe, NULL, &run));
    // A first run finds no settings and says nothing.
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
    ExpectSettingsFields(run, "", "", "");

    ASSERT_TRUE(SetField(run.window, IDC_MAIN_EXE_PATH, game));
    ASSERT_TRUE(SetField(run.window, IDC_MAIN_COMMAND_LINE, "-dev -nofbo +cl_showfps 1"));
    ASSERT_TRUE(SetField(run.window, IDC_MAIN_DEMO_SPEED, "host_framerate 0.01 extra"));
    PostCommand(run.window, IDC_MAIN_SAVE);
    ExpectMessageBox(run, "Flickbox", "Settings succesfully saved.");
    EXPECT_EQ(game, SettingText("Path"));
    EXPECT_EQ("-dev -nofbo +cl_showfps 1", SettingText("CommandLine"));
    // The speed field is taken up to 19 characters.
    EXPECT_EQ("host_framerate 0.01", SettingText("DemoSpeed"));
    CloseAndEnd(&run);

    // The next start loads them, and the game's video mode with them.
    ASSERT_TRUE(WriteVideoMode(HALF_LIFE_KEY, 1152, 864));
    std::string demo = JoinPath(folder, "shown.dem");
    ASSERT_TRUE(WriteDemo(demo, DemoSpec(48, "de_dust", 512, 384, {})));
    ASSERT_TRUE(LaunchFlickbox(exe, demo.c_str(), &run));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
    ExpectSettingsFields(run, game, "-dev -nofbo +cl_showfps 1", "host_framerate 0.01");
    EXPECT_EQ(DemoSummary("N/A", "48", "de_dust", "1152x864", "512x384"), ReadField(run.window, IDC_MAIN_SUMMARY));
    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2eSettings, AMissingValueOrGameKeyIsReportedAtStartUp)
{
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, SETTINGS_KEY));
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, HALF_LIFE_KEY));
    ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, SETTINGS_KEY, "Path", "C:\\Games\\Half-Life\\hl.exe"));
    ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, SETTINGS_KEY, "CommandLine", "-console"));
    Install("damaged");

    ASSERT_TRUE(StartFlickbox(exe.c_str(), NULL, NULL, &run));
    ExpectMessageBox(run, "Error", "Could not read BWV3: " + SystemErrorText(ERROR_FILE_NOT_FOUND));
    ExpectMessageBox(run, "Error", "Could not read Half-Life registry: " + SystemErrorText(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(WaitForMainWindow(&run));
    ExpectSettingsFields(run, "C:\\Games\\Half-Life\\hl.exe", "-console", "");
    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2eSettings, AFailedSaveIsNotReportedAsSaved)
{
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Brakwood"));
    // A volatile parent refuses the lasting settings key beneath it.
    ASSERT_TRUE(CreateVolatileKey(HKEY_CURRENT_USER, "Software\\Brakwood"));
    Install("refused");

    ASSERT_TRUE(LaunchFlickbox(exe, NULL, &run));
    ASSERT_TRUE(SetField(run.window, IDC_MAIN_EXE_PATH, "C:\\Games\\cstrike.exe"));
    PostCommand(run.window, IDC_MAIN_SAVE);
    ExpectMessageBox(run, "Error",
                     "Could not create the settings registry key: " + SystemErrorText(ERROR_CHILD_MUST_BE_VOLATILE));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
    EXPECT_EQ("<missing>", SettingText("Path"));
    CloseAndEnd(&run);
    EXPECT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Brakwood"));
}
