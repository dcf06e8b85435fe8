#pragma once
// The Win32 tests link this recording stand-in for the message-box seam: each
// box is recorded instead of shown, and answered from a script.

#include <string>
#include <vector>

#include "tests/support/test_files.h"

struct RecordedBox {
    std::string text;
    std::string caption;
    unsigned int flags;
};

// Answers for the next boxes, in order; once used up, every box gets IDOK.
void ScriptAnswers(const std::vector<int>& answers);

// The boxes shown since the last call, oldest first; clears the record.
std::vector<RecordedBox> TakeRecordedBoxes();
