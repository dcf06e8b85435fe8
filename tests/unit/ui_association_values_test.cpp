#include <gtest/gtest.h>

#include <string>

#include "shared/text.h"
#include "ui/association_values.h"

TEST(UiAssociationValues, CommandAndIconValues)
{
    char value[PATH_BUFFER_SIZE];
    ASSERT_TRUE(ComposeOpenCommand("C:\\Program Files\\Flickbox\\flickbox.exe", value, sizeof value));
    EXPECT_STREQ("C:\\Program Files\\Flickbox\\flickbox.exe %1", value);
    ASSERT_TRUE(ComposeDefaultIcon("C:\\Program Files\\Flickbox\\flickbox.exe", value, sizeof value));
    EXPECT_STREQ("C:\\Program Files\\Flickbox\\flickbox.exe,0", value);
}

TEST(UiAssociationValues, PathWithoutRoomForTheSuffixIsRefused)
{
    char value[PATH_BUFFER_SIZE];
    // 256 + " %1" is 259 characters, the most a 260 buffer holds.
    std::string path = "C:\\" + std::string(253, 'p');
    EXPECT_TRUE(ComposeOpenCommand(path.c_str(), value, sizeof value));
    EXPECT_TRUE(ComposeDefaultIcon((path + "x").c_str(), value, sizeof value));
    EXPECT_FALSE(ComposeOpenCommand((path + "x").c_str(), value, sizeof value));
    EXPECT_FALSE(ComposeDefaultIcon((path + "xy").c_str(), value, sizeof value));
}
