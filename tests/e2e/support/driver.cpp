#include "tests/e2e/support/driver.h"

#include "app/resource.h"
#include "tests/support/test_files.h"
#include "tools/bitmap_file.h"

#include <stdio.h>
#include <string.h>

enum { POLL_MS = 50, TEXT_CAPACITY = 4096 };

static const wchar_t DIALOG_CLASS[] = L"#32770";
static const wchar_t MAIN_TITLE[] = L"Flickbox";
static const wchar_t CONVERTER_TITLE[] = L"Convert demo resolution";
static const int BOX_TEXT_ID = 0xFFFF;

// Process handles of every run started and not yet ended (duplicates, owned here).
static std::vector<HANDLE> liveRuns;

static std::string Narrow(const wchar_t* text)
{
    char buffer[TEXT_CAPACITY * 2];
    int length = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, NULL, NULL);
    if (length <= 0)
        return std::string();
    return std::string(buffer);
}

static std::wstring Widen(const std::string& text)
{
    wchar_t buffer[TEXT_CAPACITY];
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, buffer, TEXT_CAPACITY);
    if (length <= 0)
        return std::wstring();
    return std::wstring(buffer);
}

static bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, DRIVER_TIMEOUT_MS,
                               result ? result : &ignored) != 0;
}

static bool HasClass(HWND window, const wchar_t* name)
{
    wchar_t buffer[64];
    return GetClassNameW(window, buffer, 64) > 0 && wcscmp(buffer, name) == 0;
}

static bool HasTitle(HWND window, const wchar_t* title)
{
    wchar_t buffer[256] = L"";
    // Top-level windows of another process: the stored title, no message sent.
    GetWindowTextW(window, buffer, 256);
    return wcscmp(buffer, title) == 0;
}

static std::string WindowTitle(HWND window)
{
    wchar_t buffer[256];
    if (GetWindowTextW(window, buffer, 256) <= 0)
        return std::string();
    return Narrow(buffer);
}

static bool IsMainDialog(HWND window)
{
    return HasClass(window, DIALOG_CLASS) && HasTitle(window, MAIN_TITLE)
        && GetDlgItem(window, IDC_MAIN_DEMO_PATH) != NULL;
}

static bool IsConverterDialog(HWND window)
{
    return HasClass(window, DIALOG_CLASS) && HasTitle(window, CONVERTER_TITLE);
}

enum WindowKind { KIND_MAIN, KIND_CONVERTER, KIND_MESSAGE_BOX };

struct WindowSearch {
    DWORD processId;
    WindowKind kind;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    WindowSearch* search = (WindowSearch*)parameter;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    bool match = false;
    switch (search->kind) {
    case KIND_MAIN:
        match = IsMainDialog(window);
        break;
    case KIND_CONVERTER:
        match = IsConverterDialog(window);
        break;
    case KIND_MESSAGE_BOX:
        match = HasClass(window, DIALOG_CLASS) && !IsMainDialog(window) && !IsConverterDialog(window);
        break;
    }
    if (!match)
        return TRUE;
    search->found = window;
    return FALSE;
}

static HWND FindProcessWindow(DWORD processId, WindowKind kind)
{
    WindowSearch search = {processId, kind, NULL};
    EnumWindows(MatchWindow, (LPARAM)&search);
    return search.found;
}

static HWND WaitForProcessWindow(DWORD processId, WindowKind kind)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindProcessWindow(processId, kind);
        if (window)
            return window;
        if (GetTickCount() - start > DRIVER_TIMEOUT_MS)
            return NULL;
        Sleep(POLL_MS);
    }
}

static void ForgetRun(HANDLE process)
{
    for (size_t i = 0; i < liveRuns.size(); i++) {
        if (liveRuns[i] == process) {
            liveRuns.erase(liveRuns.begin() + i);
            return;
        }
    }
}

static void Terminate(HANDLE process)
{
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, DRIVER_TIMEOUT_MS);
    }
}

std::string DriverBinFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    char* cut = strrchr(path, '\\');
    if (cut)
        *cut = 0;
    return std::string(path);
}

bool StartAnotherFlickbox(const char* exePath, const char* argument, const char* currentDir, FlickboxRun* run)
{
    memset(run, 0, sizeof *run);
    std::string line = std::string("\"") + exePath + "\"";
    if (argument)
        line += std::string(" ") + argument;
    std::vector<char> commandLine(line.begin(), line.end());
    commandLine.push_back(0);

    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(exePath, commandLine.data(), NULL, NULL, FALSE, 0, NULL, currentDir, &startup,
                        &run->process))
        return false;
    HANDLE copy = NULL;
    if (DuplicateHandle(GetCurrentProcess(), run->process.hProcess, GetCurrentProcess(), &copy, 0, FALSE,
                        DUPLICATE_SAME_ACCESS))
        liveRuns.push_back(copy);
    return true;
}

HWND WaitForMainWindow(FlickboxRun* run)
{
    run->window = WaitForProcessWindow(run->process.dwProcessId, KIND_MAIN);
    if (run->window && !WaitUntilResponsive(run->window))
        run->window = NULL;
    return run->window;
}

bool WaitForExit(const FlickboxRun& run, DWORD* exitCode)
{
    if (!run.process.hProcess || WaitForSingleObject(run.process.hProcess, DRIVER_TIMEOUT_MS) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(run.process.hProcess, exitCode) != 0;
}

bool CloseFlickbox(const FlickboxRun& run, DWORD* exitCode)
{
    if (!run.window || !PostMessageW(run.window, WM_CLOSE, 0, 0))
        return false;
    return WaitForExit(run, exitCode);
}

void EndFlickbox(FlickboxRun* run)
{
    if (run->process.hProcess) {
        Terminate(run->process.hProcess);
        CloseHandle(run->process.hProcess);
    }
    if (run->process.hThread)
        CloseHandle(run->process.hThread);
    memset(run, 0, sizeof *run);
}

void EndAllFlickboxRuns()
{
    while (!liveRuns.empty()) {
        HANDLE process = liveRuns.back();
        ForgetRun(process);
        Terminate(process);
        CloseHandle(process);
    }
}

bool StartFlickbox(const char* exePath, const char* argument, const char* currentDir, FlickboxRun* run)
{
    EndAllFlickboxRuns();
    return StartAnotherFlickbox(exePath, argument, currentDir, run);
}

std::string ReadField(HWND window, int id)
{
    HWND control = GetDlgItem(window, id);
    if (!control)
        return std::string("<no control ") + std::to_string(id) + ">";
    wchar_t buffer[TEXT_CAPACITY];
    buffer[0] = 0;
    DWORD_PTR length = 0;
    if (!SendWithTimeout(control, WM_GETTEXT, TEXT_CAPACITY, (LPARAM)buffer, &length))
        return std::string("<no answer from control ") + std::to_string(id) + ">";
    buffer[length < TEXT_CAPACITY ? length : TEXT_CAPACITY - 1] = 0;
    return Narrow(buffer);
}

bool SetField(HWND window, int id, const std::string& text)
{
    HWND control = GetDlgItem(window, id);
    std::wstring wide = Widen(text);
    return control && SendWithTimeout(control, WM_SETTEXT, 0, (LPARAM)wide.c_str(), NULL);
}

std::string WaitForField(HWND window, int id, const std::string& expected)
{
    DWORD start = GetTickCount();
    for (;;) {
        std::string text = ReadField(window, id);
        if (text == expected || GetTickCount() - start > DRIVER_TIMEOUT_MS)
            return text;
        Sleep(POLL_MS);
    }
}

std::vector<std::string> ReadListItems(HWND window, int id)
{
    std::vector<std::string> items;
    HWND list = GetDlgItem(window, id);
    DWORD_PTR count = 0;
    if (!list || !SendWithTimeout(list, LB_GETCOUNT, 0, 0, &count) || (LRESULT)count == LB_ERR)
        return items;
    for (DWORD_PTR i = 0; i < count; i++) {
        DWORD_PTR length = 0;
        if (!SendWithTimeout(list, LB_GETTEXTLEN, i, 0, &length) || (LRESULT)length == LB_ERR
            || length >= TEXT_CAPACITY) {
            items.push_back("<unreadable item>");
            continue;
        }
        wchar_t buffer[TEXT_CAPACITY];
        buffer[0] = 0;
        SendWithTimeout(list, LB_GETTEXT, i, (LPARAM)buffer, NULL);
        buffer[length] = 0;
        items.push_back(Narrow(buffer));
    }
    return items;
}

bool DoubleClickListItem(HWND window, int id, const std::string& text)
{
    HWND list = GetDlgItem(window, id);
    std::vector<std::string> items = ReadListItems(window, id);
    for (size_t i = 0; i < items.size(); i++) {
        if (items[i] != text)
            continue;
        DWORD_PTR selected = 0;
        if (!SendWithTimeout(list, LB_SETCURSEL, i, 0, &selected) || (LRESULT)selected == LB_ERR)
            return false;
        return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), (LPARAM)list) != 0;
    }
    return false;
}

bool SendCopyData(HWND window, const void* data, DWORD cbData)
{
    COPYDATASTRUCT record;
    record.dwData = 0;
    record.cbData = cbData;
    record.lpData = (void*)data;
    return SendWithTimeout(window, WM_COPYDATA, 0, (LPARAM)&record, NULL);
}

void PostCommand(HWND window, int id)
{
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(window, id));
}

bool WaitUntilResponsive(HWND window)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD_PTR ignored = 0;
        if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &ignored))
            return true;
        if (!IsWindow(window) || GetTickCount() - start > DRIVER_TIMEOUT_MS)
            return false;
        Sleep(POLL_MS);
    }
}

bool WaitForMessageBox(DWORD processId, MessageBoxView* box)
{
    box->window = WaitForProcessWindow(processId, KIND_MESSAGE_BOX);
    box->caption.clear();
    box->text.clear();
    if (!box->window)
        return false;
    box->caption = WindowTitle(box->window);
    box->text = ReadField(box->window, BOX_TEXT_ID);
    return true;
}

bool AnswerMessageBox(const MessageBoxView& box, int buttonId)
{
    if (!PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                      (LPARAM)GetDlgItem(box.window, buttonId)))
        return false;
    return WaitForWindowGone(box.window);
}

bool WaitForNoMessageBox(DWORD processId)
{
    DWORD start = GetTickCount();
    while (FindProcessWindow(processId, KIND_MESSAGE_BOX)) {
        if (GetTickCount() - start > DRIVER_TIMEOUT_MS)
            return false;
        Sleep(POLL_MS);
    }
    return true;
}

bool StaysWithoutMessageBox(DWORD processId, HWND window)
{
    if (!WaitUntilResponsive(window))
        return false;
    // A box opened from the same handler may show a moment after its loop ran.
    for (int i = 0; i < 10; i++) {
        if (FindProcessWindow(processId, KIND_MESSAGE_BOX))
            return false;
        Sleep(POLL_MS);
    }
    return true;
}

HWND WaitForConverterDialog(DWORD processId)
{
    return WaitForProcessWindow(processId, KIND_CONVERTER);
}

bool WaitForWindowGone(HWND window)
{
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start > DRIVER_TIMEOUT_MS)
            return false;
        Sleep(POLL_MS);
    }
    return true;
}

// Copies a screen rectangle into a bottom-up 24-bit DIB: rows of `stride`
// bytes, the last screen row first, as a BMP file stores them.
static bool CaptureScreen(const RECT& rect, std::vector<unsigned char>* pixels, int* stride)
{
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    *stride = (width * 3 + 3) & ~3;
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;

    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool copied = false;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != 0;
        GdiFlush();
        if (copied) {
            const unsigned char* start = (const unsigned char*)bits;
            pixels->assign(start, start + (size_t)*stride * height);
        }
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return copied;
}

static void BringToFront(HWND window)
{
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(window);
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    WaitUntilResponsive(window);
    // The X server shows the repaint a moment after the window painted it.
    Sleep(500);
}

bool ReadClientPixel(HWND window, int x, int y, COLORREF* colour)
{
    BringToFront(window);
    POINT point = {x, y};
    if (!ClientToScreen(window, &point))
        return false;
    RECT rect = {point.x, point.y, point.x + 1, point.y + 1};
    std::vector<unsigned char> pixels;
    int stride = 0;
    if (!CaptureScreen(rect, &pixels, &stride))
        return false;
    *colour = RGB(pixels[2], pixels[1], pixels[0]);
    return true;
}

static bool SaveScreenRect(const RECT& rect, const char* path)
{
    std::vector<unsigned char> pixels;
    int stride = 0;
    if (!CaptureScreen(rect, &pixels, &stride))
        return false;

    return WriteFileBytes(path, BitmapFile(rect.right - rect.left, rect.bottom - rect.top, pixels));
}

bool SaveClientScreenshot(HWND window, const char* path)
{
    BringToFront(window);
    RECT rect;
    POINT origin = {0, 0};
    if (!GetClientRect(window, &rect) || !ClientToScreen(window, &origin))
        return false;
    OffsetRect(&rect, origin.x, origin.y);
    return SaveScreenRect(rect, path);
}

std::string ScreenshotFolder()
{
    char folder[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("FLICKBOX_SCREENSHOT_DIR", folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        return std::string(folder);
    return DriverBinFolder();
}
