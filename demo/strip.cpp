#include "demo/strip.h"

#include "demo/demo_file.h"
#include "demo/team_messages.h"
#include "shared/messages.h"

static void BlankDemo(DemoFile* file)
{
    switch (ReadDemoFile(file, DEMO_FILE_READ_WRITE)) {
    case DEMO_FILE_READ:
        break;
    case DEMO_FILE_NOT_OPENED:
        ReportSystemError("Could not open demo-file");
        return;
    case DEMO_FILE_NO_SIZE:
        ReportSystemError("Could not open demo-file (reason 2)");
        return;
    case DEMO_FILE_NOT_READ:
        ReportSystemError("Could not read file to memory");
        return;
    }
    unsigned int count = BlankTeamMessages(file->bytes, file->size);
    if (!WriteDemoFile(file)) {
        ReportSystemError("Could not write content to file");
        return;
    }
    char text[64];   // room for any count, so the text is never cut
    FormatText(text, sizeof text, "%d messages stripped.", (int)count);
    ShowNotice(text);
}

void StripTeamMessages(HWND mainWindow)
{
    DemoFile file;
    TakeDemoPath(mainWindow, &file);
    if (!AskQuestion("Strip teamsays?"))
        return;
    BlankDemo(&file);
    CloseDemoFile(&file);
}
