#pragma once
// Drives the real flickbox.exe from a second process: starts it, finds its
// windows, reads and sets fields by control id, sends commands, answers its
// message boxes and takes screenshots. Every wait gives up after
// DRIVER_TIMEOUT_MS, so a hang fails the test instead of blocking the run.

#include <windows.h>

#include <string>
#include <vector>

enum { DRIVER_TIMEOUT_MS = 20000 };

// One started flickbox.exe process and, once found, its main dialog.
struct FlickboxRun {
    PROCESS_INFORMATION process;
    HWND window;
};

// A message box of the process as the user sees it.
struct MessageBoxView {
    HWND window;
    std::string caption;
    std::string text;
};

// The folder that holds flickbox_e2e.exe and flickbox.exe, no trailing backslash.
std::string DriverBinFolder();

// Starts exePath with the optional argument as its whole command-line text
// (unquoted, as the shell association passes it) in currentDir (NULL: ours).
// Any earlier run this driver started that still lives is ended first, so a
// failed test never leaves an instance behind for the next one.
bool StartFlickbox(const char* exePath, const char* argument, const char* currentDir, FlickboxRun* run);

// Starts a further instance beside the runs that live (a second start).
bool StartAnotherFlickbox(const char* exePath, const char* argument, const char* currentDir, FlickboxRun* run);

// Waits for the process's visible main dialog: the top-level #32770 window
// titled "Flickbox" with a child 1000 (message boxes share class and caption).
// Stores it in run->window; NULL after the time-out.
HWND WaitForMainWindow(FlickboxRun* run);

// Waits for the process to end; false after the time-out.
bool WaitForExit(const FlickboxRun& run, DWORD* exitCode);

// Closes the main dialog with WM_CLOSE and waits for the exit code.
bool CloseFlickbox(const FlickboxRun& run, DWORD* exitCode);

// Ends the run whatever state it is in (terminating it if it still lives)
// and releases its handles.
void EndFlickbox(FlickboxRun* run);

// Ends every run this driver started that still lives.
void EndAllFlickboxRuns();

// Field text by control id (WM_GETTEXT through the W form, converted to ANSI).
std::string ReadField(HWND window, int id);

// Sets a field's text (WM_SETTEXT); false when the window did not answer.
bool SetField(HWND window, int id, const std::string& text);

// Polls a field until it holds the expected text; returns the last text read.
std::string WaitForField(HWND window, int id, const std::string& expected);

// Every item of a list box in list order (LB_GETTEXT through the W form).
std::vector<std::string> ReadListItems(HWND window, int id);

// Selects the item that equals text exactly and posts the list's double-click
// notification; false when there is no such item.
bool DoubleClickListItem(HWND window, int id, const std::string& text);

// Hands data to the window as a later instance would (WM_COPYDATA, wParam 0)
// with cbData as given, which may leave out the NUL; returns once handled.
bool SendCopyData(HWND window, const void* data, DWORD cbData);

// Posts WM_COMMAND with the id: for commands that may open modal boxes.
void PostCommand(HWND window, int id);

// Waits until the window's thread takes messages again (after a play).
bool WaitUntilResponsive(HWND window);

// Waits for a visible message box of the process: a top-level #32770 window
// that is neither the main dialog nor the converter dialog.
bool WaitForMessageBox(DWORD processId, MessageBoxView* box);

// Presses a button of the box (IDOK, IDCANCEL) and waits until it is gone.
bool AnswerMessageBox(const MessageBoxView& box, int buttonId);

// Waits until the process shows no message box; false after the time-out.
bool WaitForNoMessageBox(DWORD processId);

// After an answer that should end an operation quietly: waits until the
// window takes messages again and then watches a moment longer; false when a
// message box of the process shows up meanwhile.
bool StaysWithoutMessageBox(DWORD processId, HWND window);

// Waits for the visible "Convert demo resolution" dialog of the process.
HWND WaitForConverterDialog(DWORD processId);

// Waits until the window no longer exists.
bool WaitForWindowGone(HWND window);

// The screen's colour at a point of the window's client area, read after
// bringing the window to the front.
bool ReadClientPixel(HWND window, int x, int y, COLORREF* colour);

// Saves the window's client area as it shows on screen to a 24-bit BMP file.
bool SaveClientScreenshot(HWND window, const char* path);

// Where screenshots go: FLICKBOX_SCREENSHOT_DIR, else the bin folder.
std::string ScreenshotFolder();
