#include "app/dialog_field.h"

bool ReadWholeField(char* dest, size_t size, HWND dialog, int id)
{
    if (size == 0)
        return false;
    dest[0] = '\0';
    GetDlgItemTextA(dialog, id, dest, (int)size);
    return GetWindowTextLengthA(GetDlgItem(dialog, id)) < (int)size;
}
