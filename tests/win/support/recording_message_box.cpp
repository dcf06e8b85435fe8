#include <windows.h>

#include <deque>

#include "shared/messages.h"
#include "tests/win/support/recorded_messages.h"

static std::vector<RecordedBox> recorded;
static std::deque<int> answers;

int ShowMessageBox(const char* text, const char* caption, unsigned int flags)
{
    recorded.push_back({text, caption, flags});
    if (answers.empty())
        return IDOK;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptAnswers(const std::vector<int>& script)
{
    answers.assign(script.begin(), script.end());
}

std::vector<RecordedBox> TakeRecordedBoxes()
{
    std::vector<RecordedBox> boxes;
    boxes.swap(recorded);
    return boxes;
}

std::string SystemErrorText(unsigned long error)
{
    char* text = NULL;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_ALLOCATE_BUFFER,
                   NULL, error, 0, (LPSTR)&text, 0, NULL);
    std::string result = text ? text : "";
    if (text)
        LocalFree(text);
    return result;
}

std::string ErrorBoxText(const std::string& message, unsigned long error)
{
    return message + ": " + SystemErrorText(error);
}
