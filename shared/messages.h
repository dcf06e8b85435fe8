#pragma once
// Every message box of both programs goes through these functions. None has
// an owner window; each waits until the user closes the box.

// Shows the box and returns the button pressed (IDOK, IDCANCEL, ...). The one
// place that calls the platform; the Win32 tests link a recording version.
int ShowMessageBox(const char* text, const char* caption, unsigned int flags);

// "message: system text" for the calling thread's last error, caption "Error".
void ReportSystemError(const char* message);

// A notice: caption "Flickbox", information icon, OK.
void ShowNotice(const char* text);

// A question: caption "Flickbox", OK and Cancel, question icon. False on Cancel.
bool AskQuestion(const char* text);
