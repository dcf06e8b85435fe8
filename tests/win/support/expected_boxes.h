#pragma once
// Expectations on the message boxes the recording stand-in took.

#include <string>
#include <vector>

#include "tests/win/support/recorded_messages.h"

// Expects the box's text, caption and flags.
void ExpectBox(const RecordedBox& box, const std::string& text, const char* caption,
               unsigned flags);

// Takes the recorded boxes and expects just one notice with the text.
void ExpectOnlyNotice(const std::string& text);

// Takes the recorded boxes and expects exactly these error reports, in order
// (none for an empty list).
void ExpectErrorBoxes(const std::vector<std::string>& texts);
