#pragma once
// Dialogs from the program's templates and the text of their fields.

#include <windows.h>

#include <string>
#include <vector>

// A modeless, hidden instance of the template with a procedure that does
// nothing, so its fields can be set and read on their own.
HWND CreateIdleDialog(int templateId);

// The whole text of the dialog's control, and setting it.
std::string FieldText(HWND dialog, int id);
void SetFieldText(HWND dialog, int id, const std::string& text);

// The items of a list box, in list order.
std::vector<std::string> ListItems(HWND dialog, int id);
