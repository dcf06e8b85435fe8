// The resources as the program loads them: both dialog templates, the two
// background bitmaps and the icon group, and how the artwork lines up with
// the controls it frames.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/colours.h"
#include "app/resource.h"
#include "tests/win/support/dialog_fields.h"

namespace {

struct ControlRow {
    int id;
    const char* className;
    const char* caption;
    int x, y, width, height;   // dialog units
    DWORD style;               // beyond WS_CHILD and WS_VISIBLE
};

const ControlRow mainControls[] = {
    {IDC_MAIN_BROWSE_DEMO, "Button", "Browse...", 255, 45, 42, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {IDC_MAIN_SUMMARY, "Static", "", 203, 75, 84, 74, SS_LEFT | WS_GROUP},
    {IDC_MAIN_PLAY, "Button", "Play!", 219, 172, 55, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {IDC_MAIN_EXE_PATH, "Edit", "", 15, 221, 162, 8, ES_AUTOHSCROLL | WS_TABSTOP},
    {IDC_MAIN_SAVE, "Button", "Save", 255, 240, 42, 14, BS_PUSHBUTTON | WS_TABSTOP},
    {IDC_MAIN_COMMAND_LINE, "Edit", "", 15, 244, 230, 8, ES_AUTOHSCROLL | WS_TABSTOP},
    {IDC_MAIN_BROWSE_EXE, "Button", "Browse...", 255, 218, 42, 14, BS_PUSHBUTTON | WS_TABSTOP},
    {IDC_MAIN_DEMO_PATH, "Edit", "", 17, 48, 227, 8, ES_AUTOHSCROLL | WS_TABSTOP},
    {IDC_MAIN_DEMO_SPEED, "Edit", "", 197, 221, 48, 8, ES_AUTOHSCROLL | WS_TABSTOP},
    {IDC_MAIN_BROWSER, "ListBox", "", 309, 48, 249, 108,
     LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP},
    {IDC_MAIN_STRIP, "Button", "Strip teamsays", 220, 6, 77, 14, BS_PUSHBUTTON | WS_TABSTOP},
    {IDC_MAIN_CONVERT, "Button", "Convert resolution", 220, 26, 77, 14, BS_PUSHBUTTON | WS_TABSTOP},
    {IDC_MAIN_FOLDER, "Edit", "", 311, 30, 227, 8, ES_AUTOHSCROLL | WS_TABSTOP},
    {IDC_MAIN_DESKTOP, "Button", "D", 546, 28, 14, 12, BS_PUSHBUTTON | WS_TABSTOP},
    {IDC_MAIN_PLAYERS, "ListBox", "", 309, 175, 249, 123,
     LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP},
};

const ControlRow convertControls[] = {
    {IDOK, "Button", "OK", 129, 7, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {IDCANCEL, "Button", "Cancel", 129, 24, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
    {IDC_CONVERT_OLD_WIDTH, "Edit", "", 11, 27, 26, 8, ES_AUTOHSCROLL | WS_DISABLED | WS_TABSTOP},
    {IDC_CONVERT_OLD_HEIGHT, "Edit", "", 59, 27, 26, 8, ES_AUTOHSCROLL | WS_DISABLED | WS_TABSTOP},
    {IDC_CONVERT_NEW_WIDTH, "Edit", "", 11, 63, 26, 8, ES_AUTOHSCROLL | WS_TABSTOP},
    {IDC_CONVERT_NEW_HEIGHT, "Edit", "", 59, 63, 26, 8, ES_AUTOHSCROLL | WS_TABSTOP},
};

std::string WindowText(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassName(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

SIZE ClientSize(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    SIZE size = {client.right - client.left, client.bottom - client.top};
    return size;
}

std::vector<HWND> ChildrenInOrder(HWND dialog)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

RECT ControlRect(HWND dialog, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(NULL, dialog, (POINT*)&rect, 2);
    return rect;
}

// The compiled template of a DIALOG statement, read field by field.
struct TemplateItem {
    DWORD style;
    int x, y, width, height;
    int id;
    std::string className;
    std::string caption;
};

struct DialogTemplate {
    DWORD style;
    int width, height;
    std::string caption;
    int pointSize;
    std::string face;
    std::vector<TemplateItem> items;
};

std::string ReadText(const WORD*& at)
{
    std::string text;
    while (*at)
        text += (char)*at++;
    at++;
    return text;
}

// A class or caption field: an ordinal (0xFFFF, value) or a string.
int ReadOrdinalOrText(const WORD*& at, std::string* text)
{
    if (*at == 0xFFFF) {
        int ordinal = at[1];
        at += 2;
        return ordinal;
    }
    *text = ReadText(at);
    return 0;
}

const WORD* AlignToDword(const WORD* at, const BYTE* base)
{
    size_t offset = (size_t)((const BYTE*)at - base);
    return (const WORD*)(base + ((offset + 3) & ~(size_t)3));
}

// rc may store a predefined class as its ordinal instead of its name.
std::string PredefinedClass(int atom)
{
    const char* names[] = {"Button", "Edit", "Static", "ListBox"};
    return atom >= 0x80 && atom < 0x84 ? names[atom - 0x80] : "";
}

bool ReadDialogTemplate(int id, DialogTemplate* out)
{
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(id), (LPCSTR)RT_DIALOG);
    if (!found)
        return false;
    const BYTE* base = (const BYTE*)LockResource(LoadResource(appInstance, found));
    const DLGTEMPLATE* header = (const DLGTEMPLATE*)base;
    if (HIWORD(header->style) == 0xFFFF)
        return false;   // a DIALOGEX template; the script uses DIALOG
    out->style = header->style;
    out->width = header->cx;
    out->height = header->cy;
    const WORD* at = (const WORD*)(header + 1);
    std::string ignored;
    ReadOrdinalOrText(at, &ignored);   // menu
    ReadOrdinalOrText(at, &ignored);   // class
    out->caption = ReadText(at);
    if (header->style & DS_SETFONT) {
        out->pointSize = *at++;
        out->face = ReadText(at);
    }
    for (int i = 0; i < header->cdit; i++) {
        at = AlignToDword(at, base);
        const DLGITEMTEMPLATE* item = (const DLGITEMTEMPLATE*)at;
        TemplateItem parsed = {item->style, item->x, item->y, item->cx, item->cy, item->id, "", ""};
        at = (const WORD*)(item + 1);
        int atom = ReadOrdinalOrText(at, &parsed.className);
        if (atom)
            parsed.className = PredefinedClass(atom);
        ReadOrdinalOrText(at, &parsed.caption);
        WORD extra = *at++;
        at = (const WORD*)((const BYTE*)at + extra);
        out->items.push_back(parsed);
    }
    return true;
}

// The compiled template holds exactly the table's controls, in its order.
void ExpectTemplateItems(const DialogTemplate& dialog, const ControlRow* rows, size_t count)
{
    ASSERT_EQ(count, dialog.items.size());
    for (size_t i = 0; i < count; i++) {
        const ControlRow& row = rows[i];
        const TemplateItem& item = dialog.items[i];
        SCOPED_TRACE(row.id);
        EXPECT_EQ(row.id, item.id);
        EXPECT_EQ(0, lstrcmpiA(row.className, item.className.c_str())) << item.className;
        EXPECT_EQ(row.caption, item.caption);
        EXPECT_EQ(row.style | WS_CHILD | WS_VISIBLE, item.style) << std::hex << item.style;
        EXPECT_EQ(row.x, item.x);
        EXPECT_EQ(row.y, item.y);
        EXPECT_EQ(row.width, item.width);
        EXPECT_EQ(row.height, item.height);
    }
}

// The live dialog: its children in template order, with the table's classes
// and captions, at the table's positions in the dialog's own units.
void ExpectLiveControls(HWND dialog, const ControlRow* rows, size_t count)
{
    std::vector<HWND> children = ChildrenInOrder(dialog);
    ASSERT_EQ(count, children.size());
    for (size_t i = 0; i < count; i++) {
        const ControlRow& row = rows[i];
        HWND child = children[i];
        SCOPED_TRACE(row.id);
        EXPECT_EQ(row.id, GetDlgCtrlID(child));
        EXPECT_EQ(0, lstrcmpiA(row.className, ClassName(child).c_str())) << ClassName(child);
        EXPECT_EQ(row.caption, WindowText(child));
        EXPECT_EQ(0, GetWindowLongA(child, GWL_STYLE) & WS_BORDER);
        EXPECT_EQ(0, GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

        // Position and size are scaled apart, as the dialog manager does.
        RECT scaled = {row.x, row.y, row.width, row.height};
        MapDialogRect(dialog, &scaled);
        RECT actual = ControlRect(dialog, child);
        EXPECT_EQ(scaled.left, actual.left);
        EXPECT_EQ(scaled.top, actual.top);
        EXPECT_EQ(scaled.right, actual.right - actual.left);
        EXPECT_EQ(scaled.bottom, actual.bottom - actual.top);
    }
}

const BITMAPINFOHEADER* BitmapResourceHeader(int id)
{
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
    if (!found)
        return NULL;
    return (const BITMAPINFOHEADER*)LockResource(LoadResource(appInstance, found));
}

// The bitmap resource's pixels as top-down 0x00RRGGBB values.
std::vector<DWORD> BitmapPixels(int id, int* width, int* height)
{
    std::vector<DWORD> pixels;
    HBITMAP bitmap = (HBITMAP)LoadImageA(appInstance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                         LR_CREATEDIBSECTION);
    if (!bitmap)
        return pixels;
    BITMAP info;
    GetObjectA(bitmap, sizeof info, &info);
    *width = info.bmWidth;
    *height = info.bmHeight;

    BITMAPINFO request = {};
    request.bmiHeader.biSize = sizeof request.bmiHeader;
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = -info.bmHeight;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    pixels.resize((size_t)info.bmWidth * info.bmHeight);
    HDC screen = GetDC(NULL);
    int lines = GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &request, DIB_RGB_COLORS);
    ReleaseDC(NULL, screen);
    DeleteObject(bitmap);
    if (lines != info.bmHeight)
        pixels.clear();
    return pixels;
}

// The brush colour the controls paint their backgrounds with, as GetDIBits
// gives a 32-bit pixel.
const DWORD brushPixel = (DWORD)((GetRValue(CONTROL_BACK_COLOUR) << 16) | (GetGValue(CONTROL_BACK_COLOUR) << 8) |
                                 GetBValue(CONTROL_BACK_COLOUR));

bool DarkerThanBrush(DWORD pixel)
{
    return ((pixel >> 16) & 0xFF) < GetRValue(CONTROL_BACK_COLOUR) &&
           ((pixel >> 8) & 0xFF) < GetGValue(CONTROL_BACK_COLOUR) && (pixel & 0xFF) < GetBValue(CONTROL_BACK_COLOUR);
}

// Behind a control: its own rectangle in the brush colour it paints itself
// with, and a darker box showing in a ring of 3 pixels around it.
void ExpectFramedBox(const std::vector<DWORD>& pixels, int width, int height, RECT control)
{
    int wrongInside = 0, lightRing = 0;
    for (int y = control.top - 3; y < control.bottom + 3; y++) {
        for (int x = control.left - 3; x < control.right + 3; x++) {
            ASSERT_TRUE(x >= 0 && y >= 0 && x < width && y < height) << x << "," << y;
            DWORD pixel = pixels[(size_t)y * width + x];
            bool inside = x >= control.left && x < control.right && y >= control.top && y < control.bottom;
            if (inside && pixel != brushPixel)
                wrongInside++;
            if (!inside && !DarkerThanBrush(pixel))
                lightRing++;
        }
    }
    EXPECT_EQ(0, wrongInside);
    EXPECT_EQ(0, lightRing);
}

}  // namespace

TEST(Resources, BackgroundBitmapsHaveTheirSizeAndDepth)
{
    struct {
        int id, width, height, bits;
    } rows[] = {{IDB_MAIN_BACKGROUND, 855, 500, 8}, {IDB_CONVERT_BACKGROUND, 280, 154, 4}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        const BITMAPINFOHEADER* header = BitmapResourceHeader(row.id);
        ASSERT_TRUE(header != NULL);
        EXPECT_EQ(sizeof(BITMAPINFOHEADER), header->biSize);
        EXPECT_EQ(row.width, header->biWidth);
        EXPECT_EQ(row.height, header->biHeight);
        EXPECT_EQ(row.bits, header->biBitCount);
        EXPECT_EQ((DWORD)BI_RGB, header->biCompression);

        // As the dialogs load it: default colours, the bitmap's own size.
        HBITMAP bitmap = (HBITMAP)LoadImageA(appInstance, MAKEINTRESOURCEA(row.id), IMAGE_BITMAP, 0, 0,
                                             LR_DEFAULTCOLOR);
        ASSERT_TRUE(bitmap != NULL);
        BITMAP info;
        ASSERT_EQ((int)sizeof info, GetObjectA(bitmap, sizeof info, &info));
        EXPECT_EQ(row.width, info.bmWidth);
        EXPECT_EQ(row.height, info.bmHeight);
        DeleteObject(bitmap);

        bitmap = (HBITMAP)LoadImageA(appInstance, MAKEINTRESOURCEA(row.id), IMAGE_BITMAP, 0, 0,
                                     LR_CREATEDIBSECTION);
        ASSERT_TRUE(bitmap != NULL);
        DIBSECTION section;
        ASSERT_EQ((int)sizeof section, GetObjectA(bitmap, sizeof section, &section));
        EXPECT_EQ(row.bits, section.dsBmih.biBitCount);
        DeleteObject(bitmap);
    }
}

TEST(Resources, IconGroupHoldsSmallAndLargeImages)
{
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colourCount, reserved;
        WORD planes, bitCount;
        DWORD bytesInRes;
        WORD id;
    };
#pragma pack(pop)
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(IDI_FLICKBOX), (LPCSTR)RT_GROUP_ICON);
    ASSERT_TRUE(found != NULL);
    const BYTE* group = (const BYTE*)LockResource(LoadResource(appInstance, found));
    const WORD* directory = (const WORD*)group;
    ASSERT_EQ(1, directory[1]);   // icons, not cursors
    ASSERT_EQ(2, directory[2]);
    const GroupEntry* entries = (const GroupEntry*)(group + 6);

    struct {
        int size, bits;
    } wanted[] = {{16, 4}, {32, 8}};
    for (const auto& image : wanted) {
        SCOPED_TRACE(image.size);
        int chosen = LookupIconIdFromDirectoryEx((BYTE*)group, TRUE, image.size, image.size, LR_DEFAULTCOLOR);
        const GroupEntry* entry = entries[0].width == image.size ? &entries[0] : &entries[1];
        ASSERT_EQ(image.size, entry->width);
        EXPECT_EQ(image.size, entry->height);
        EXPECT_EQ(image.bits, entry->bitCount);
        EXPECT_EQ(entry->id, chosen);

        HRSRC icon = FindResourceA(appInstance, MAKEINTRESOURCEA(entry->id), (LPCSTR)RT_ICON);
        ASSERT_TRUE(icon != NULL);
        const BITMAPINFOHEADER* header = (const BITMAPINFOHEADER*)LockResource(LoadResource(appInstance, icon));
        EXPECT_EQ(image.size, header->biWidth);
        EXPECT_EQ(2 * image.size, header->biHeight);   // colour bits and AND mask
        EXPECT_EQ(image.bits, header->biBitCount);
        EXPECT_EQ((DWORD)BI_RGB, header->biCompression);
    }

    // As the dialogs load it: at the small-icon size.
    int small = GetSystemMetrics(SM_CXSMICON);
    HICON icon = (HICON)LoadImageA(appInstance, MAKEINTRESOURCEA(IDI_FLICKBOX), IMAGE_ICON, small,
                                   GetSystemMetrics(SM_CYSMICON), 0);
    ASSERT_TRUE(icon != NULL);
    DestroyIcon(icon);
}

TEST(Resources, MainDialogTemplate)
{
    DialogTemplate compiled;
    ASSERT_TRUE(ReadDialogTemplate(IDD_MAIN, &compiled));
    EXPECT_EQ("Flickbox", compiled.caption);
    EXPECT_EQ(8, compiled.pointSize);
    EXPECT_EQ("MS Sans Serif", compiled.face);
    EXPECT_EQ(570, compiled.width);
    EXPECT_EQ(308, compiled.height);
    EXPECT_EQ((DWORD)(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
              compiled.style);
    ExpectTemplateItems(compiled, mainControls, sizeof mainControls / sizeof mainControls[0]);

    HWND dialog = CreateIdleDialog(IDD_MAIN);
    ASSERT_TRUE(dialog != NULL);
    EXPECT_EQ("Flickbox", WindowText(dialog));
    // 570 x 308 units at "MS Sans Serif" 8 pt; 308 units are 500.5 px, and
    // the dialog manager rounds that half up.
    SIZE client = ClientSize(dialog);
    EXPECT_EQ(855, client.cx);
    EXPECT_TRUE(client.cy == 500 || client.cy == 501) << client.cy;
    ExpectLiveControls(dialog, mainControls, sizeof mainControls / sizeof mainControls[0]);

    // Tab order: template order, minus the summary, which is no tab stop.
    std::vector<int> tabOrder;
    HWND first = GetNextDlgTabItem(dialog, NULL, FALSE);
    for (HWND item = first; item && tabOrder.size() < 20;) {
        tabOrder.push_back(GetDlgCtrlID(item));
        item = GetNextDlgTabItem(dialog, item, FALSE);
        if (item == first)
            break;
    }
    std::vector<int> expected;
    for (const ControlRow& row : mainControls)
        if (row.style & WS_TABSTOP)
            expected.push_back(row.id);
    EXPECT_EQ(expected, tabOrder);
    DestroyWindow(dialog);
}

TEST(Resources, ConvertDialogTemplate)
{
    DialogTemplate compiled;
    ASSERT_TRUE(ReadDialogTemplate(IDD_CONVERT, &compiled));
    EXPECT_EQ("Convert demo resolution", compiled.caption);
    EXPECT_EQ(8, compiled.pointSize);
    EXPECT_EQ("MS Sans Serif", compiled.face);
    EXPECT_EQ(186, compiled.width);
    EXPECT_EQ(95, compiled.height);
    EXPECT_EQ((DWORD)(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU), compiled.style);
    ExpectTemplateItems(compiled, convertControls, sizeof convertControls / sizeof convertControls[0]);

    HWND dialog = CreateIdleDialog(IDD_CONVERT);
    ASSERT_TRUE(dialog != NULL);
    EXPECT_EQ("Convert demo resolution", WindowText(dialog));
    ExpectLiveControls(dialog, convertControls, sizeof convertControls / sizeof convertControls[0]);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CONVERT_OLD_WIDTH)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CONVERT_OLD_HEIGHT)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_CONVERT_NEW_WIDTH)));

    // The background covers the whole client area (279 x 154 px).
    const BITMAPINFOHEADER* header = BitmapResourceHeader(IDB_CONVERT_BACKGROUND);
    ASSERT_TRUE(header != NULL);
    SIZE client = ClientSize(dialog);
    EXPECT_GE(header->biWidth, client.cx);
    EXPECT_GE(header->biHeight, client.cy);
    EXPECT_LE(header->biWidth - client.cx, 2);
    EXPECT_LE(header->biHeight - client.cy, 2);
    DestroyWindow(dialog);
}

TEST(Resources, ArtworkFramesEveryFieldAndList)
{
    struct {
        int dialogId, bitmapId;
        std::vector<int> boxed;
    } rows[] = {
        {IDD_MAIN, IDB_MAIN_BACKGROUND,
         {IDC_MAIN_DEMO_PATH, IDC_MAIN_FOLDER, IDC_MAIN_BROWSER, IDC_MAIN_EXE_PATH, IDC_MAIN_DEMO_SPEED,
          IDC_MAIN_COMMAND_LINE, IDC_MAIN_PLAYERS}},
        {IDD_CONVERT, IDB_CONVERT_BACKGROUND,
         {IDC_CONVERT_OLD_WIDTH, IDC_CONVERT_OLD_HEIGHT, IDC_CONVERT_NEW_WIDTH, IDC_CONVERT_NEW_HEIGHT}},
    };
    for (const auto& row : rows) {
        int width = 0, height = 0;
        std::vector<DWORD> pixels = BitmapPixels(row.bitmapId, &width, &height);
        ASSERT_FALSE(pixels.empty());
        HWND dialog = CreateIdleDialog(row.dialogId);
        ASSERT_TRUE(dialog != NULL);
        for (int id : row.boxed) {
            SCOPED_TRACE(id);
            ExpectFramedBox(pixels, width, height, ControlRect(dialog, GetDlgItem(dialog, id)));
        }
        DestroyWindow(dialog);
    }
}

TEST(Resources, SummarySitsOnAPanelOfItsOwnColour)
{
    // The summary paints its background with the brush; the panel around it
    // in the picture has the same colour, so the text looks set into it.
    int width = 0, height = 0;
    std::vector<DWORD> pixels = BitmapPixels(IDB_MAIN_BACKGROUND, &width, &height);
    ASSERT_FALSE(pixels.empty());
    HWND dialog = CreateIdleDialog(IDD_MAIN);
    ASSERT_TRUE(dialog != NULL);
    RECT summary = ControlRect(dialog, GetDlgItem(dialog, IDC_MAIN_SUMMARY));
    DestroyWindow(dialog);
    int other = 0;
    for (int y = summary.top - 4; y < summary.bottom + 4; y++)
        for (int x = summary.left - 4; x < summary.right + 4; x++)
            if (pixels[(size_t)y * width + x] != brushPixel)
                other++;
    EXPECT_EQ(0, other);
}
