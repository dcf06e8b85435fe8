#include "ui/association.h"

#include <windows.h>

#include <string.h>

#include "shared/registry.h"
#include "shared/text.h"
#include "ui/ui_text.h"

// Creates or opens the key and sets its default value; a value that did not
// fit (value NULL) is reported as a failed write and nothing is written.
static void WriteDefaultValue(const char* keyName, const char* value, const char* keyMessage,
                              const char* valueMessage)
{
    HKEY key;
    LONG status = RegCreateKeyExA(HKEY_CLASSES_ROOT, keyName, 0, (LPSTR) "", REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, NULL, &key, NULL);
    if (status != ERROR_SUCCESS) {
        ReportRegistryError(status, keyMessage);
        return;
    }
    if (!value) {
        ReportRegistryError(ERROR_FILENAME_EXCED_RANGE, valueMessage);
    } else {
        status = RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE*)value, (DWORD)strlen(value) + 1);
        if (status != ERROR_SUCCESS)
            ReportRegistryError(status, valueMessage);
    }
    RegCloseKey(key);
}

void RegisterDemoAssociation(const char* exePath)
{
    char command[PATH_BUFFER_SIZE];
    bool commandFits = ComposeOpenCommand(command, sizeof command, exePath);
    WriteDefaultValue("flickbox\\shell\\open\\command", commandFits ? command : NULL,
                      "Could not create the flickbox registry key",
                      "Could not set the shellcommand key value");

    char icon[PATH_BUFFER_SIZE];
    bool iconFits = ComposeDefaultIcon(icon, sizeof icon, exePath);
    WriteDefaultValue("flickbox\\DefaultIcon", iconFits ? icon : NULL,
                      "Could not create the defaulticon registry key",
                      "Could not set the defaulticon key value");

    WriteDefaultValue(".DEM", "flickbox", "Could not create the .dem registry key",
                      "Could not set the .dem key value");
}
