// Start-up's services on the real system: the .DEM association in the
// registry, long paths from short ones, and finding the running window.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/resource.h"
#include "shared/text.h"
#include "tests/support/test_files.h"
#include "tests/win/support/dialog_fields.h"
#include "tests/win/support/expected_boxes.h"
#include "tests/win/support/recorded_messages.h"
#include "tests/win/support/ui_test_support.h"
#include "ui/association.h"
#include "ui/long_path.h"
#include "ui/single_instance.h"

namespace {

struct DefaultValue {
    bool found;
    DWORD type;
    DWORD size;
    std::string text;
};

DefaultValue ReadDefault(const char* keyName)
{
    DefaultValue value = {false, 0, 0, ""};
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    char text[1024] = "";
    value.size = sizeof text - 1;
    value.found = RegQueryValueExA(key, NULL, NULL, &value.type, (BYTE*)text, &value.size) ==
                  ERROR_SUCCESS;
    value.text = text;
    RegCloseKey(key);
    return value;
}

void ExpectDefault(const char* keyName, const std::string& text)
{
    DefaultValue value = ReadDefault(keyName);
    ASSERT_TRUE(value.found) << keyName;
    EXPECT_EQ((DWORD)REG_SZ, value.type) << keyName;
    EXPECT_EQ(text, value.text) << keyName;
    EXPECT_EQ(text.size() + 1, value.size) << keyName;
}

void DeleteAssociation()
{
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "flickbox\\shell\\open\\command");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "flickbox\\shell\\open");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "flickbox\\shell");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "flickbox\\DefaultIcon");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "flickbox");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, ".DEM");
}

std::string Convert(const std::string& shortPath, DWORD capacity = 260, DWORD* count = NULL)
{
    std::vector<char> dest(capacity + 1, 'z');
    dest[capacity] = '#';
    DWORD result = ConvertToLongPath(shortPath.c_str(), dest.data(), capacity);
    EXPECT_EQ('#', dest[capacity]) << "wrote past the capacity";
    dest[capacity] = '\0';
    if (count)
        *count = result;
    return dest.data();
}

// Each test starts and ends without the association.
struct UiAssociation : testing::Test {
    UiAssociation() { DeleteAssociation(); }
    ~UiAssociation() { DeleteAssociation(); }
};

// A demo of a long name in a folder of a long name, and its short form.
struct UiLongPath : testing::Test {
    std::string folder = MakeFreshFolder("C:\\Flickbox Long Folder");
    std::string longPath = folder + "\\A Long Demo Name.dem";
    char shortPath[MAX_PATH] = "";
    void SetUp() override
    {
        ASSERT_TRUE(WriteFileBytes(longPath, ""));
        ASSERT_NE(0u, GetShortPathNameA(longPath.c_str(), shortPath, sizeof shortPath));
        ASSERT_NE(longPath, shortPath);
    }
    ~UiLongPath() { RemoveTree(folder); }
};

}  // namespace

TEST_F(UiAssociation, WritesTheThreeKeysAndRepointsThem)
{
    TakeRecordedBoxes();
    RegisterDemoAssociation("C:\\Program Files\\Flickbox\\flickbox.exe");
    ExpectDefault("flickbox\\shell\\open\\command", "C:\\Program Files\\Flickbox\\flickbox.exe %1");
    ExpectDefault("flickbox\\DefaultIcon", "C:\\Program Files\\Flickbox\\flickbox.exe,0");
    ExpectDefault(".DEM", "flickbox");
    ExpectDefault(".dem", "flickbox");

    RegisterDemoAssociation("D:\\moved\\flickbox.exe");
    ExpectDefault("flickbox\\shell\\open\\command", "D:\\moved\\flickbox.exe %1");
    ExpectDefault("flickbox\\DefaultIcon", "D:\\moved\\flickbox.exe,0");
    EXPECT_TRUE(TakeRecordedBoxes().empty());
}

TEST_F(UiAssociation, ValueThatDoesNotFitIsNotWritten)
{
    RegisterDemoAssociation("C:\\old\\flickbox.exe");
    TakeRecordedBoxes();
    // 257 characters: " %1" does not fit a 260 buffer, ",0" does.
    std::string path = "C:\\" + std::string(254, 'p');
    RegisterDemoAssociation(path.c_str());
    ExpectErrorBoxes(
        {ErrorBoxText("Could not set the shellcommand key value", ERROR_FILENAME_EXCED_RANGE)});
    ExpectDefault("flickbox\\shell\\open\\command", "C:\\old\\flickbox.exe %1");
    ExpectDefault("flickbox\\DefaultIcon", path + ",0");

    path += "q";
    RegisterDemoAssociation(path.c_str());
    ExpectErrorBoxes(
        {ErrorBoxText("Could not set the shellcommand key value", ERROR_FILENAME_EXCED_RANGE),
         ErrorBoxText("Could not set the defaulticon key value", ERROR_FILENAME_EXCED_RANGE)});
    ExpectDefault("flickbox\\DefaultIcon", path.substr(0, path.size() - 1) + ",0");
    ExpectDefault(".DEM", "flickbox");
}

TEST_F(UiAssociation, KeysThatCannotBeCreatedAreReportedAndTheRestWritten)
{
    // Below a volatile key no lasting key can be made.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "flickbox", 0, NULL,
                                             REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &key, NULL));
    RegCloseKey(key);
    HKEY probe;
    LONG status = RegCreateKeyExA(HKEY_CLASSES_ROOT, "flickbox\\DefaultIcon", 0, NULL,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &probe, NULL);
    ASSERT_NE(ERROR_SUCCESS, status) << "the system makes lasting keys below volatile ones";
    TakeRecordedBoxes();

    RegisterDemoAssociation("C:\\Tools\\flickbox.exe");
    ExpectErrorBoxes({ErrorBoxText("Could not create the flickbox registry key", status),
                      ErrorBoxText("Could not create the defaulticon registry key", status)});
    EXPECT_FALSE(ReadDefault("flickbox").found);
    ExpectDefault(".DEM", "flickbox");
}

TEST_F(UiLongPath, ShortFormBecomesTheStoredLongForm)
{
    DWORD count = 0;
    EXPECT_EQ(longPath, Convert(shortPath, 260, &count));
    EXPECT_EQ(longPath.size(), count);
}

TEST_F(UiLongPath, FailedConversionLeavesTheDestinationEmpty)
{
    DWORD count = 1;
    EXPECT_EQ("", Convert(folder + "\\missing.dem", 260, &count));
    EXPECT_EQ(0u, count);
    // Quotes stay part of the text, which then names nothing.
    EXPECT_EQ("", Convert("\"" + longPath + "\""));
    EXPECT_EQ("", Convert(""));
    // Too little room for the long form.
    EXPECT_EQ("", Convert(shortPath, (DWORD)longPath.size(), &count));
    EXPECT_EQ(longPath.size() + 1, count);

    char untouched[4] = "abc";
    EXPECT_EQ(0u, ConvertToLongPath(NULL, untouched, sizeof untouched));
    EXPECT_STREQ("abc", untouched);
    EXPECT_EQ(0u, ConvertToLongPath(shortPath, NULL, 260));
}

TEST(UiSingleInstance, FindsTheMainDialogBeforeOtherFlickboxWindows)
{
    EXPECT_TRUE(FindMainWindow() == NULL);

    // A window titled "Flickbox" without the demo path field, as a notice is.
    HWND decoy = CreateWindowExA(0, "STATIC", "Flickbox", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, NULL,
                                 NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_TRUE(decoy != NULL);
    EXPECT_EQ(decoy, FindMainWindow());

    HWND dialog = OpenMainDialog();
    ASSERT_TRUE(dialog != NULL);
    SetWindowPos(decoy, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_EQ(decoy, FindWindowA(NULL, "Flickbox"));
    EXPECT_EQ(dialog, FindMainWindow());

    std::string folder = MakeFreshFolder("C:\\ui single instance");
    std::string demo = folder + "\\handed.dem";
    WriteUiDemo(demo);
    TakeRecordedBoxes();
    HandOverDemoPath(FindMainWindow(), demo.c_str());
    EXPECT_EQ(demo, FieldText(dialog, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo"}), ListItems(dialog, IDC_MAIN_PLAYERS));
    EXPECT_TRUE(TakeRecordedBoxes().empty());

    CloseMainDialog(dialog);
    DestroyWindow(decoy);
    RemoveTree(folder);
}
