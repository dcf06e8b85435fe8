#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/app_state.h"
#include "app/resource.h"
#include "playback/settings.h"
#include "tests/win/support/dialog_fields.h"
#include "tests/win/support/expected_boxes.h"
#include "tests/win/support/playback_test_support.h"
#include "tests/win/support/recorded_messages.h"

static void WriteSetting(const char* name, DWORD type, const std::string& bytes)
{
    WriteRegistryValue(SETTINGS_KEY, name, type, bytes);
}

// The three settings as a save leaves them, with the path given and the
// other two empty.
static void StoreGamePath(const std::string& path)
{
    WriteSetting("Path", REG_SZ, path + '\0');
    WriteSetting("CommandLine", REG_SZ, std::string(1, '\0'));
    WriteSetting("DemoSpeed", REG_SZ, std::string(1, '\0'));
}

static void SetBothGamesModes()
{
    SetModeValue(HALF_LIFE_KEY, "EngineModeW", 1024);
    SetModeValue(HALF_LIFE_KEY, "EngineModeH", 768);
    SetModeValue(COUNTER_STRIKE_KEY, "EngineModeW", 640);
    SetModeValue(COUNTER_STRIKE_KEY, "EngineModeH", 480);
}

struct StoredValue {
    DWORD type = 0;
    DWORD size = 0;
    std::string bytes;
    LONG status = ERROR_FILE_NOT_FOUND;
};

static StoredValue ReadSetting(const char* name)
{
    StoredValue value;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return value;
    char buffer[1024];
    value.size = sizeof buffer;
    value.status = RegQueryValueExA(key, name, NULL, &value.type, (BYTE*)buffer, &value.size);
    if (value.status == ERROR_SUCCESS)
        value.bytes.assign(buffer, value.size);
    RegCloseKey(key);
    return value;
}

// No keys, empty fields and no video mode read; an idle main dialog.
static HWND FreshStart()
{
    ResetPlaybackRegistry();
    SetCurrentMode("", "");
    TakeRecordedBoxes();
    HWND dialog = CreateIdleDialog(IDD_MAIN);
    EXPECT_TRUE(dialog);
    return dialog;
}

// Every test starts afresh and its dialog is destroyed at the end.
struct PlaybackSettings : testing::Test {
    HWND dialog = FreshStart();
    ~PlaybackSettings() { DestroyWindow(dialog); }
};

TEST_F(PlaybackSettings, FirstRunWithoutKeyShowsNothingAndReadsNothing)
{
    SetModeValue(HALF_LIFE_KEY, "EngineModeW", 800);
    SetModeValue(HALF_LIFE_KEY, "EngineModeH", 600);

    LoadSettings(dialog);

    ExpectErrorBoxes({});
    EXPECT_EQ("", FieldText(dialog, IDC_MAIN_EXE_PATH));
    EXPECT_EQ("", FieldText(dialog, IDC_MAIN_COMMAND_LINE));
    EXPECT_EQ("", FieldText(dialog, IDC_MAIN_DEMO_SPEED));
    EXPECT_STREQ("", appState.currentWidth);
    EXPECT_STREQ("", appState.currentHeight);
}

TEST_F(PlaybackSettings, SaveStoresThreeStringsWithTheirNul)
{
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, "C:\\Games\\Half-Life\\hl.exe");
    SetFieldText(dialog, IDC_MAIN_COMMAND_LINE, "-dev -w 640");
    SetFieldText(dialog, IDC_MAIN_DEMO_SPEED, "+host_framerate 0.02 extra");

    EXPECT_TRUE(SaveSettings(dialog));
    ExpectErrorBoxes({});

    StoredValue path = ReadSetting("Path");
    EXPECT_EQ((DWORD)REG_SZ, path.type);
    EXPECT_EQ(std::string("C:\\Games\\Half-Life\\hl.exe") + '\0', path.bytes);
    EXPECT_EQ(26u, path.size);
    StoredValue commandLine = ReadSetting("CommandLine");
    EXPECT_EQ((DWORD)REG_SZ, commandLine.type);
    EXPECT_EQ(std::string("-dev -w 640\0", 12), commandLine.bytes);
    // The speed field gives its first 19 characters only.
    StoredValue speed = ReadSetting("DemoSpeed");
    EXPECT_EQ((DWORD)REG_SZ, speed.type);
    EXPECT_EQ(std::string("+host_framerate 0.0\0", 20), speed.bytes);

    // Empty fields are empty strings of one byte; 259 characters are whole.
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, std::string(259, 'p'));
    SetFieldText(dialog, IDC_MAIN_COMMAND_LINE, "");
    SetFieldText(dialog, IDC_MAIN_DEMO_SPEED, "");
    EXPECT_TRUE(SaveSettings(dialog));
    EXPECT_EQ(std::string(259, 'p') + '\0', ReadSetting("Path").bytes);
    EXPECT_EQ(std::string(1, '\0'), ReadSetting("CommandLine").bytes);
    EXPECT_EQ(1u, ReadSetting("DemoSpeed").size);
    EXPECT_EQ((DWORD)REG_SZ, ReadSetting("DemoSpeed").type);

    // A path or line longer than its field's 259 characters is not stored
    // cut: its value stays as it was, the others are stored all the same.
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, std::string(260, 'q'));
    SetFieldText(dialog, IDC_MAIN_DEMO_SPEED, "2");
    EXPECT_FALSE(SaveSettings(dialog));
    ExpectErrorBoxes({ErrorBoxText("Could not set the path key value", ERROR_FILENAME_EXCED_RANGE)});
    EXPECT_EQ(std::string(259, 'p') + '\0', ReadSetting("Path").bytes);
    EXPECT_EQ(std::string("2\0", 2), ReadSetting("DemoSpeed").bytes);
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, "C:\\hl.exe");
    SetFieldText(dialog, IDC_MAIN_COMMAND_LINE, std::string(260, 'c'));
    EXPECT_FALSE(SaveSettings(dialog));
    ExpectErrorBoxes({ErrorBoxText("Could not set the commandline key value", ERROR_INSUFFICIENT_BUFFER)});
    EXPECT_EQ(std::string("C:\\hl.exe\0", 10), ReadSetting("Path").bytes);
    EXPECT_EQ(std::string(1, '\0'), ReadSetting("CommandLine").bytes);
}

TEST_F(PlaybackSettings, SaveThatCannotCreateTheKeyFailsAndWritesNothing)
{
    // A volatile parent refuses a lasting child key.
    HKEY parent;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brakwood\\Flickbox", 0,
                                             NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL,
                                             &parent, NULL));
    RegCloseKey(parent);
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, "C:\\Games\\Half-Life\\hl.exe");

    EXPECT_FALSE(SaveSettings(dialog));

    ExpectErrorBoxes(
        {ErrorBoxText("Could not create the settings registry key", ERROR_CHILD_MUST_BE_VOLATILE)});
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadSetting("Path").status);
    ResetPlaybackRegistry();
}

TEST_F(PlaybackSettings, LoadRoundTripsAndReadsTheGameModeHeightFirst)
{
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, "C:\\GAMES\\HALF-LIFE\\HL.EXE");
    SetFieldText(dialog, IDC_MAIN_COMMAND_LINE, "-dev");
    SetFieldText(dialog, IDC_MAIN_DEMO_SPEED, "0.5");
    ASSERT_TRUE(SaveSettings(dialog));
    DestroyWindow(dialog);
    SetBothGamesModes();

    dialog = CreateIdleDialog(IDD_MAIN);
    LoadSettings(dialog);

    ExpectErrorBoxes({});
    // The path keeps its capitals; the copy the kind is read from is lowered.
    EXPECT_EQ("C:\\GAMES\\HALF-LIFE\\HL.EXE", FieldText(dialog, IDC_MAIN_EXE_PATH));
    EXPECT_EQ("-dev", FieldText(dialog, IDC_MAIN_COMMAND_LINE));
    EXPECT_EQ("0.5", FieldText(dialog, IDC_MAIN_DEMO_SPEED));
    EXPECT_STREQ("1024", appState.currentWidth);
    EXPECT_STREQ("768", appState.currentHeight);

    // Saving again later changes nothing of the mode read at start-up.
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, "C:\\Games\\cstrike.exe");
    ASSERT_TRUE(SaveSettings(dialog));
    EXPECT_STREQ("1024", appState.currentWidth);
}

TEST_F(PlaybackSettings, GameKindFromThePath)
{
    struct Row {
        const char* path;
        const char* width;
    } rows[] = {
        {"C:\\Games\\hl.exe.old\\cstrike.exe", "1024"},
        {"D:\\GAMES\\CSTRIKE.EXE", "640"},
        {"C:\\Games\\Half-Life\\hlds.exe", ""},
    };
    for (const Row& row : rows) {
        HWND dialog = FreshStart();
        SetBothGamesModes();
        StoreGamePath(row.path);

        LoadSettings(dialog);

        ExpectErrorBoxes({});
        EXPECT_STREQ(row.width, appState.currentWidth) << row.path;
        DestroyWindow(dialog);
    }
}

TEST_F(PlaybackSettings, MissingValuesGiveExactlyTheirOwnMessages)
{
    SetFieldText(dialog, IDC_MAIN_COMMAND_LINE, "kept");
    SetFieldText(dialog, IDC_MAIN_DEMO_SPEED, "kept too");
    WriteSetting("Path", REG_SZ, std::string("C:\\HL\\hl.exe") + '\0');
    SetModeValue(HALF_LIFE_KEY, "EngineModeH", 600);
    SetCurrentMode("old", "");
    std::string notFound = SystemErrorText(ERROR_FILE_NOT_FOUND);

    LoadSettings(dialog);

    ExpectErrorBoxes({"Could not read BWV2: " + notFound, "Could not read BWV3: " + notFound,
                      "Could not read HLV2: " + notFound});
    EXPECT_EQ("C:\\HL\\hl.exe", FieldText(dialog, IDC_MAIN_EXE_PATH));
    EXPECT_EQ("kept", FieldText(dialog, IDC_MAIN_COMMAND_LINE));
    EXPECT_EQ("kept too", FieldText(dialog, IDC_MAIN_DEMO_SPEED));
    EXPECT_STREQ("600", appState.currentHeight);
    EXPECT_STREQ("old", appState.currentWidth);

    // Only CommandLine and DemoSpeed stored; the path field keeps its text.
    dialog = FreshStart();
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, "C:\\CS\\cstrike.exe");
    WriteSetting("CommandLine", REG_SZ, std::string("-x") + '\0');
    WriteSetting("DemoSpeed", REG_SZ, std::string("1") + '\0');
    SetModeValue(COUNTER_STRIKE_KEY, "EngineModeW", 800);

    LoadSettings(dialog);

    ExpectErrorBoxes({"Could not read BWV1: " + notFound, "Could not read CSV1: " + notFound});
    EXPECT_EQ("C:\\CS\\cstrike.exe", FieldText(dialog, IDC_MAIN_EXE_PATH));
    EXPECT_EQ("-x", FieldText(dialog, IDC_MAIN_COMMAND_LINE));
    EXPECT_STREQ("", appState.currentHeight);
    EXPECT_STREQ("800", appState.currentWidth);
}

TEST_F(PlaybackSettings, MissingGameKeyEndsTheLoad)
{
    struct Row {
        const char* path;
        const char* message;
    } rows[] = {
        {"C:\\HL\\hl.exe", "Could not read Half-Life registry"},
        {"C:\\CS\\cstrike.exe", "Could not read CounterStrike registry"},
    };
    for (const Row& row : rows) {
        HWND dialog = FreshStart();
        StoreGamePath(row.path);

        LoadSettings(dialog);

        ExpectErrorBoxes({ErrorBoxText(row.message, ERROR_FILE_NOT_FOUND)});
        EXPECT_STREQ("", appState.currentWidth);
        EXPECT_STREQ("", appState.currentHeight);
        DestroyWindow(dialog);
    }
}

TEST_F(PlaybackSettings, LongTextsLoadWholeUpToTheBuffer)
{
    // Stored by another hand: longer than the speed field saves, loaded whole.
    WriteSetting("Path", REG_SZ, std::string(259, 'p') + '\0');
    WriteSetting("CommandLine", REG_SZ, std::string(40, 'c') + '\0');
    WriteSetting("DemoSpeed", REG_SZ, std::string(40, 's') + '\0');

    LoadSettings(dialog);

    ExpectErrorBoxes({});
    EXPECT_EQ(std::string(259, 'p'), FieldText(dialog, IDC_MAIN_EXE_PATH));
    EXPECT_EQ(std::string(40, 's'), FieldText(dialog, IDC_MAIN_DEMO_SPEED));
}

TEST_F(PlaybackSettings, StringFillingTheBufferWithoutNulIsUnreadable)
{
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, "C:\\HL\\hl.exe");
    SetModeValue(HALF_LIFE_KEY, "EngineModeW", 800);
    SetModeValue(HALF_LIFE_KEY, "EngineModeH", 600);
    // The value's type is not looked at, so raw bytes stand for any string.
    WriteSetting("Path", REG_BINARY, std::string(260, 'x'));
    WriteSetting("CommandLine", REG_SZ, std::string(300, 'c') + '\0');
    WriteSetting("DemoSpeed", REG_BINARY, std::string(259, 's'));

    LoadSettings(dialog);

    std::string moreData = SystemErrorText(ERROR_MORE_DATA);
    ExpectErrorBoxes({"Could not read BWV1: " + moreData, "Could not read BWV2: " + moreData});
    EXPECT_EQ("C:\\HL\\hl.exe", FieldText(dialog, IDC_MAIN_EXE_PATH));
    EXPECT_EQ("", FieldText(dialog, IDC_MAIN_COMMAND_LINE));
    EXPECT_EQ(std::string(259, 's'), FieldText(dialog, IDC_MAIN_DEMO_SPEED));
    EXPECT_STREQ("800", appState.currentWidth);
}

TEST_F(PlaybackSettings, GameValuesBeyondAVideoModeAreNotTaken)
{
    StoreGamePath("C:\\HL\\hl.exe");
    // Eight bytes do not fit the 4-byte value; eight digits do not fit the text.
    WriteRegistryValue(HALF_LIFE_KEY, "EngineModeH", REG_BINARY, std::string(8, '\1'));
    SetModeValue(HALF_LIFE_KEY, "EngineModeW", 12345678);
    SetCurrentMode("old", "old");

    LoadSettings(dialog);

    ExpectErrorBoxes({ErrorBoxText("Could not read HLV1", ERROR_MORE_DATA),
                      ErrorBoxText("Could not read HLV2", ERROR_INVALID_DATA)});
    EXPECT_STREQ("old", appState.currentWidth);
    EXPECT_STREQ("old", appState.currentHeight);

    // Negative values read as signed, short values from whatever type.
    SetModeValue(HALF_LIFE_KEY, "EngineModeH", (DWORD)-1);
    SetModeValue(HALF_LIFE_KEY, "EngineModeW", (DWORD)-999999);
    LoadSettings(dialog);
    ExpectErrorBoxes({});
    EXPECT_STREQ("-1", appState.currentHeight);
    EXPECT_STREQ("-999999", appState.currentWidth);
}
