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
