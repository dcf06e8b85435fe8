#include "tests/win/support/demo_test_support.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "tests/win/support/recorded_messages.h"
#include "ui/resource.h"

static INT_PTR CALLBACK IdleDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

HWND CreateDemoMainDialog()
{
    return CreateDialogParamA(appInstance, MAKEINTRESOURCEA(IDD_MAIN), NULL, IdleDialog, 0);
}

void SetDemoPath(HWND mainDialog, const std::string& path)
{
    SetDlgItemTextA(mainDialog, IDC_MAIN_DEMO_PATH, path.c_str());
}

std::string MakeDemoFolder(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "flickbox-" + name + "-" +
                         std::to_string(GetCurrentProcessId());
    RemoveDemoFolder(folder);
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

void RemoveDemoFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDemoFolder(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

bool WriteDemoBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}

std::vector<unsigned char> ReadDemoBytes(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    unsigned char chunk[65536];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + count);
    fclose(file);
    return bytes;
}

std::string DemoFileState(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return "absent";
    ULONGLONG size = ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    ULONGLONG time = ((ULONGLONG)data.ftLastWriteTime.dwHighDateTime << 32) |
                     data.ftLastWriteTime.dwLowDateTime;
    std::string state = std::to_string(size) + " bytes, written " + std::to_string(time);
    if (size <= 16 * 1024 * 1024) {
        // FNV-1a of the content: equal states, equal bytes, in a short text.
        unsigned long long hash = 14695981039346656037ull;
        for (unsigned char byte : ReadDemoBytes(path))
            hash = (hash ^ byte) * 1099511628211ull;
        state += ", content hash " + std::to_string(hash);
    }
    return state;
}

std::string RealDemoPath(const char* name)
{
    return std::string(FLICKBOX_DEMOS_DIR) + "/" + name;
}

std::string ErrorBoxText(const char* message, unsigned long error)
{
    return std::string(message) + ": " + SystemErrorText(error);
}

std::vector<std::string> DemoListItems(HWND mainDialog, int id)
{
    std::vector<std::string> items;
    LRESULT count = SendDlgItemMessageA(mainDialog, id, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        char text[1024] = {};
        LRESULT length = SendDlgItemMessageA(mainDialog, id, LB_GETTEXTLEN, i, 0);
        if (length >= 0 && length < (LRESULT)sizeof text)
            SendDlgItemMessageA(mainDialog, id, LB_GETTEXT, i, (LPARAM)text);
        items.push_back(text);
    }
    return items;
}

void ClearInspectionState()
{
    ReleaseMapPreview();
    appState.demoWidth[0] = '\0';
    appState.demoHeight[0] = '\0';
    appState.networkVersion[0] = '\0';
    appState.modDir[0] = '\0';
    appState.isHltv = false;
}

bool WriteSmallBitmap(const std::string& path, int width, int height)
{
    int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + stride * height;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    std::vector<unsigned char> bytes((const unsigned char*)&file, (const unsigned char*)(&file + 1));
    bytes.insert(bytes.end(), (const unsigned char*)&info, (const unsigned char*)(&info + 1));
    bytes.resize(file.bfSize, 0x80);
    return WriteDemoBytes(path, bytes);
}

std::string DemoFaultPath(const std::string& folder)
{
    return folder + "\\fault.dem";
}

// A sparse file of the given size; only its length matters.
static void WriteHugeFile(const std::string& path, ULONGLONG size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    LONG high = (LONG)(size >> 32);
    SetFilePointer(file, (LONG)(DWORD)size, &high, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

HANDLE PrepareDemoFault(HWND mainDialog, const std::string& folder, DemoFault fault,
                        const std::vector<unsigned char>& demo, std::string* demoPath)
{
    std::string path = DemoFaultPath(folder);
    if (fault == FAULT_PATH_TOO_LONG)
        path = folder + "\\" + std::string(259 - folder.size() - 1, 'a');
    *demoPath = path;
    WriteDemoBytes(path, fault == FAULT_EMPTY_FILE ? std::vector<unsigned char>() : demo);
    SetDemoPath(mainDialog, path);
    switch (fault) {
    case FAULT_MISSING_FILE:
        SetDemoPath(mainDialog, folder + "\\missing.dem");
        break;
    case FAULT_EMPTY_PATH:
        SetDemoPath(mainDialog, "");
        break;
    case FAULT_EMPTY_FILE:
        break;
    case FAULT_HELD_FOR_WRITING:
        return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    case FAULT_READ_ONLY:
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        break;
    case FAULT_DIRECTORY:
        CreateDirectoryA((folder + "\\folder.dem").c_str(), NULL);
        SetDemoPath(mainDialog, folder + "\\folder.dem");
        break;
    case FAULT_NO_MEMORY:
        WriteHugeFile(path, 0xC0000007ull);
        break;
    case FAULT_4_GIB:
        WriteHugeFile(path, 0x100000007ull);
        break;
    case FAULT_PATH_TOO_LONG:
        // The field's first 259 characters name the demo, but it holds more.
        SetDemoPath(mainDialog, path + "a.dem");
        break;
    }
    return NULL;
}

void EndDemoFault(const std::string& folder, HANDLE holder)
{
    if (holder && holder != INVALID_HANDLE_VALUE)
        CloseHandle(holder);
    SetFileAttributesA(DemoFaultPath(folder).c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA((folder + "\\folder.dem").c_str());
}

bool ReadOnlyIsEnforced(const std::string& folder)
{
    std::string path = folder + "\\read-only-probe";
    WriteDemoBytes(path, {1});
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    bool enforced = file == INVALID_HANDLE_VALUE;
    if (!enforced)
        CloseHandle(file);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    return enforced;
}

void ExpectDemoBox(const RecordedBox& box, const std::string& text, const char* caption,
                   unsigned flags)
{
    EXPECT_EQ(text, box.text);
    EXPECT_EQ(caption, box.caption);
    EXPECT_EQ(flags, box.flags);
}

void ExpectDemoFailures(void (*operation)(HWND mainDialog), const char* question,
                        const std::vector<unsigned char>& demo,
                        const std::vector<DemoFailure>& failures, const char* folderName)
{
    std::string folder = MakeDemoFolder(folderName);
    HWND mainDialog = CreateDemoMainDialog();
    for (const DemoFailure& failure : failures) {
        SCOPED_TRACE(failure.message + std::string(" / ") + SystemErrorText(failure.error));
        std::string demoPath;
        HANDLE holder = PrepareDemoFault(mainDialog, folder, failure.fault, demo, &demoPath);
        std::string before = DemoFileState(demoPath);
        TakeRecordedBoxes();

        operation(mainDialog);

        EXPECT_EQ(before, DemoFileState(demoPath));
        EndDemoFault(folder, holder);
        std::vector<RecordedBox> boxes = TakeRecordedBoxes();
        ASSERT_EQ(2u, boxes.size());
        ExpectDemoBox(boxes[0], question, "Flickbox", MB_OKCANCEL | MB_ICONQUESTION);
        if (failure.error)
            ExpectDemoBox(boxes[1], ErrorBoxText(failure.message, failure.error), "Error",
                          MB_ICONINFORMATION);
        else
            ExpectDemoBox(boxes[1], failure.message, "Flickbox", MB_OK | MB_ICONINFORMATION);
    }
    DestroyWindow(mainDialog);
    RemoveDemoFolder(folder);
}
