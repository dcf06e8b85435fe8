#include "tests/win/support/demo_test_support.h"

#include <string.h>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/resource.h"
#include "tests/support/test_files.h"
#include "tests/win/support/dialog_fields.h"
#include "tests/win/support/expected_boxes.h"
#include "tests/win/support/recorded_messages.h"
#include "tools/bitmap_file.h"

DemoScene OpenDemoScene(const char* folderName, const char* fileName)
{
    DemoScene scene;
    scene.folder = MakeScratchFolder(folderName);
    scene.demo = scene.folder + "\\" + fileName;
    scene.mainDialog = CreateIdleDialog(IDD_MAIN);
    SetDemoPath(scene.mainDialog, scene.demo);
    return scene;
}

void CloseDemoScene(const DemoScene& scene)
{
    DestroyWindow(scene.mainDialog);
    RemoveTree(scene.folder);
}

void SetDemoPath(HWND mainDialog, const std::string& path)
{
    SetFieldText(mainDialog, IDC_MAIN_DEMO_PATH, path);
}

SampleDemoSpec SpecOfSize(unsigned width, unsigned height)
{
    SampleDemoSpec spec;
    spec.width = width;
    spec.height = height;
    return spec;
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
    // The content's fingerprint: equal states, equal bytes, in a short text.
    if (size <= 16 * 1024 * 1024)
        state += ", content " + FileFingerprint(path);
    return state;
}

bool CopyRealDemo(const char* name, const std::string& path)
{
    // The shared demos are read-only; the copy must not be.
    return CopyFileA(DemoCorpusPath(name).c_str(), path.c_str(), FALSE) &&
           SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
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

static unsigned long Grey(int, int)
{
    return 0x808080;
}

bool WriteSmallBitmap(const std::string& path, int width, int height)
{
    return WriteFileBytes(path, BitmapFileOf(width, height, Grey));
}

static std::string DemoFaultPath(const std::string& folder)
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
    WriteFileBytes(path, fault == FAULT_EMPTY_FILE ? std::vector<unsigned char>() : demo);
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
        SetReadOnly(path);
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

bool FaultCanBeMade(DemoFault fault)
{
    return fault != FAULT_NO_MEMORY || sizeof(void*) == 4;
}

void EndDemoFault(const std::string& folder, HANDLE holder)
{
    if (holder && holder != INVALID_HANDLE_VALUE)
        CloseHandle(holder);
    SetFileAttributesA(DemoFaultPath(folder).c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA((folder + "\\folder.dem").c_str());
}

std::vector<DemoFailure> RewriteFailures()
{
    return {
        {FAULT_MISSING_FILE, "Could not open demo-file", ERROR_FILE_NOT_FOUND},
        {FAULT_EMPTY_PATH, "Could not open demo-file", ERROR_PATH_NOT_FOUND},
        {FAULT_HELD_FOR_WRITING, "Could not open demo-file", ERROR_SHARING_VIOLATION},
        {FAULT_DIRECTORY, "Could not open demo-file", ERROR_ACCESS_DENIED},
        {FAULT_PATH_TOO_LONG, "Could not open demo-file", ERROR_FILENAME_EXCED_RANGE},
        {FAULT_EMPTY_FILE, "Could not open demo-file (reason 2)", ERROR_HANDLE_EOF},
        {FAULT_4_GIB, "Could not open demo-file (reason 2)", ERROR_FILE_TOO_LARGE},
    };
}

void ExpectDemoFailures(void (*operation)(HWND mainDialog), const char* question,
                        const std::vector<unsigned char>& demo,
                        const std::vector<DemoFailure>& failures, const char* folderName)
{
    std::string folder = MakeScratchFolder(folderName);
    HWND mainDialog = CreateIdleDialog(IDD_MAIN);
    for (const DemoFailure& failure : failures) {
        if (!FaultCanBeMade(failure.fault))
            continue;
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
        ExpectBox(boxes[0], question, "Flickbox", QUESTION);
        if (failure.error)
            ExpectBox(boxes[1], ErrorBoxText(failure.message, failure.error), "Error",
                      MB_ICONINFORMATION);
        else
            ExpectBox(boxes[1], failure.message, "Flickbox", NOTICE);
    }
    DestroyWindow(mainDialog);
    RemoveTree(folder);
}

// False where the read-only attribute does not keep this process from
// writing (Wine run by root: the attribute is only the Unix mode).
static bool ReadOnlyIsEnforced(const std::string& folder)
{
    std::string path = folder + "\\read-only-probe";
    WriteFileBytes(path, std::string(1, '\1'));
    SetReadOnly(path);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    bool enforced = file == INVALID_HANDLE_VALUE;
    if (!enforced)
        CloseHandle(file);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    return enforced;
}

void ExpectReadOnlyDemoUnchanged(void (*operation)(HWND mainDialog), const char* question,
                                 const std::vector<unsigned char>& demo, const char* folderName)
{
    std::string probeFolder = MakeScratchFolder(std::string(folderName) + "-probe");
    bool enforced = ReadOnlyIsEnforced(probeFolder);
    RemoveTree(probeFolder);
    if (!enforced)
        GTEST_SKIP() << "read-only files are writable here";
    ExpectDemoFailures(operation, question, demo,
                       {{FAULT_READ_ONLY, "Could not open demo-file", ERROR_ACCESS_DENIED}},
                       folderName);
}

void ExpectCancelLeavesTheFileUnopened(void (*operation)(HWND mainDialog), const char* question,
                                       const std::vector<unsigned char>& demo,
                                       const char* folderName)
{
    DemoScene scene = OpenDemoScene(folderName, "demo.dem");
    ASSERT_TRUE(WriteFileBytes(scene.demo, demo));
    std::string before = DemoFileState(scene.demo);
    // Any open would fail and say so.
    HANDLE holder = CreateFileA(scene.demo.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    TakeRecordedBoxes();
    ScriptAnswers({IDCANCEL});

    operation(scene.mainDialog);

    CloseHandle(holder);
    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(1u, boxes.size());
    ExpectBox(boxes[0], question, "Flickbox", QUESTION);
    EXPECT_EQ(before, DemoFileState(scene.demo));
    CloseDemoScene(scene);
}
