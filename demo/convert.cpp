#include "demo/convert.h"

#include "demo/demo_file.h"
#include "demo/resolution_records.h"
#include "shared/messages.h"

static void RewriteDemo(DemoFile* file, unsigned int oldWidth, unsigned int oldHeight,
                        unsigned int newWidth, unsigned int newHeight)
{
    if (!ReadDemoForChange(file, READ_FAILURE_AS_NOTICE))
        return;
    RewriteResolutionRecords(file->bytes, file->size, oldWidth, oldHeight, newWidth, newHeight);
    if (!WriteDemoBack(file))
        return;
    // Asked as a question, as it always was; the answer changes nothing.
    AskQuestion("Demo converted.");
}

void ConvertDemoResolution(HWND mainDialog, unsigned int oldWidth, unsigned int oldHeight,
                           unsigned int newWidth, unsigned int newHeight)
{
    DemoFile file;
    TakeDemoPath(mainDialog, &file);
    if (!IsSupportedResolution(newWidth, newHeight)) {
        ShowNotice(UnsupportedResolutionText);
        return;
    }
    // An unknown size reads 0, and a record of 0 x 0 is fourteen zero bytes:
    // every run of zeros in the demo would be rewritten.
    if (oldWidth == 0 || oldHeight == 0) {
        ShowNotice("The demo's current resolution is unknown, so it cannot be converted.");
        return;
    }
    if (!AskQuestion("Convert resolution in demo?"))
        return;
    RewriteDemo(&file, oldWidth, oldHeight, newWidth, newHeight);
    CloseDemoFile(&file);
}
