#include <gtest/gtest.h>

#include "tests/e2e/support/driver.h"
#include "tests/e2e/support/scratch.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // Without a window manager on the virtual display nobody draws the frames;
    // unmanaged windows get Wine's own, so screenshots show the caption.
    WriteRegistryText(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", "Managed", "N");
    int result = RUN_ALL_TESTS();
    // A test that failed half-way may have left its instance running.
    EndAllFlickboxRuns();
    return result;
}
