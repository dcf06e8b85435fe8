#include "demo/strip.h"

#include "demo/demo_file.h"
#include "demo/team_messages.h"
#include "shared/messages.h"

static void BlankDemo(DemoFile* file)
{
    if (!ReadDemoForChange(file, READ_FAILURE_WITH_SYSTEM_TEXT))
        return;
    unsigned int count = BlankTeamMessages(file->bytes, file->size);
    if (!WriteDemoBack(file))
        return;
    char text[64];   // room for any count, so the text is never cut
    (void)FormatText(text, sizeof text, "%d messages stripped.", (int)count);
    ShowNotice(text);
}

void StripTeamMessages(HWND mainDialog)
{
    DemoFile file;
    TakeDemoPath(mainDialog, &file);
    if (!AskQuestion("Strip teamsays?"))
        return;
    BlankDemo(&file);
    CloseDemoFile(&file);
}
