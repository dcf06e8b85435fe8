#include "tests/win/support/dialog_fields.h"

#include "app/app_state.h"

static INT_PTR CALLBACK IdleDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

HWND CreateIdleDialog(int templateId)
{
    return CreateDialogParamA(appInstance, MAKEINTRESOURCEA(templateId), NULL, IdleDialogProc, 0);
}

std::string FieldText(HWND dialog, int id)
{
    HWND field = GetDlgItem(dialog, id);
    std::vector<char> text(GetWindowTextLengthA(field) + 1);
    GetWindowTextA(field, text.data(), (int)text.size());
    return text.data();
}

void SetFieldText(HWND dialog, int id, const std::string& text)
{
    SetDlgItemTextA(dialog, id, text.c_str());
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
