#include "tests/win/ui_test_support.h"

#include <gtest/gtest.h>

#include "app/colours.h"
#include "tests/win/support/recorded_messages.h"
#include "tools/sample_demo.h"
#include "ui/main_dialog.h"
#include "ui/resource.h"

HWND OpenMainDialog()
{
    if (!dialogBrush)
        CreateDialogBrushes();
    HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_MAIN), NULL,
                                     MainDialogProc, 0);
    EXPECT_TRUE(dialog != NULL);
    ShowWindow(dialog, SW_SHOWNORMAL);
    return dialog;
}

void CloseMainDialog(HWND dialog)
{
    DestroyWindow(dialog);
    CreateDialogBrushes();
}

static void RemoveTree(const std::string& folder)
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
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string MakeUiFolder(const char* name)
{
    std::string folder = std::string("C:\\") + name;
    RemoveTree(folder);
    EXPECT_TRUE(CreateDirectoryA(folder.c_str(), NULL)) << folder;
    return folder;
}

void RemoveUiFolder(const std::string& folder)
{
    RemoveTree(folder);
}

void WriteUiDemo(const std::string& path)
{
    SampleDemoSpec spec;
    spec.width = 800;
    spec.height = 600;
    spec.playerNames = {"Alpha", "Bravo"};
    ASSERT_TRUE(WriteSampleDemo(path.c_str(), spec)) << path;
}

void WriteEmptyFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    CloseHandle(file);
}

std::string FieldText(HWND dialog, int id)
{
    HWND field = GetDlgItem(dialog, id);
    std::vector<char> text(GetWindowTextLengthA(field) + 1);
    GetWindowTextA(field, text.data(), (int)text.size());
    return text.data();
}

std::vector<std::string> ListItems(HWND dialog, int id)
{
    std::vector<std::string> items;
    LRESULT count = SendDlgItemMessageA(dialog, id, LB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; index++) {
        std::vector<char> text(SendDlgItemMessageA(dialog, id, LB_GETTEXTLEN, index, 0) + 1);
        SendDlgItemMessageA(dialog, id, LB_GETTEXT, index, (LPARAM)text.data());
        items.push_back(text.data());
    }
    return items;
}

void SelectEntry(HWND dialog, const char* entry)
{
    LRESULT index = SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_FINDSTRINGEXACT, (WPARAM)-1,
                                        (LPARAM)entry);
    ASSERT_NE(LB_ERR, index) << entry;
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_SETCURSEL, index, 0);
}

void NotifyBrowser(HWND dialog, WORD code)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_MAIN_BROWSER, code),
                 (LPARAM)GetDlgItem(dialog, IDC_MAIN_BROWSER));
}

std::string ErrorText(const char* message, unsigned long error)
{
    return std::string(message) + ": " + SystemErrorText(error);
}
