#include "tests/support/test_registry.h"

std::string ReadRegistryString(HKEY root, const char* key, const char* value, bool* found)
{
    *found = false;
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return std::string();
    char buffer[1024];
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    LONG status = RegQueryValueExA(handle, value, NULL, &type, (BYTE*)buffer, &size);
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return std::string();
    buffer[size < sizeof buffer ? size : sizeof buffer - 1] = 0;
    *found = true;
    return std::string(buffer);
}

bool WriteRegistryBytes(HKEY root, const char* key, const char* value, DWORD type, const void* data, DWORD size)
{
    HKEY handle;
    if (RegCreateKeyExA(root, key, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &handle, NULL)
        != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExA(handle, value, 0, type, (const BYTE*)data, size);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

bool WriteRegistryText(HKEY root, const char* key, const char* value, const std::string& text)
{
    return WriteRegistryBytes(root, key, value, REG_SZ, text.c_str(), (DWORD)text.size() + 1);
}

bool ReadRegistryNumber(HKEY root, const char* key, const char* value, DWORD* number)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof *number;
    DWORD type = 0;
    LONG status = RegQueryValueExA(handle, value, NULL, &type, (BYTE*)number, &size);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS && type == REG_DWORD;
}

bool WriteRegistryNumber(HKEY root, const char* key, const char* value, DWORD number)
{
    return WriteRegistryBytes(root, key, value, REG_DWORD, &number, sizeof number);
}

bool DeleteRegistryTree(HKEY root, const char* key)
{
    HKEY handle;
    LONG status = RegOpenKeyExA(root, key, 0, KEY_ALL_ACCESS, &handle);
    if (status == ERROR_FILE_NOT_FOUND)
        return true;
    if (status != ERROR_SUCCESS)
        return false;
    char child[256];
    DWORD length = sizeof child;
    // Always take the first child: each one is gone once deleted.
    while (RegEnumKeyExA(handle, 0, child, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS) {
        std::string path = std::string(key) + "\\" + child;
        if (!DeleteRegistryTree(root, path.c_str()))
            break;
        length = sizeof child;
    }
    RegCloseKey(handle);
    return RegDeleteKeyA(root, key) == ERROR_SUCCESS;
}

bool CreateVolatileKey(HKEY root, const char* key)
{
    HKEY handle;
    if (RegCreateKeyExA(root, key, 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &handle, NULL) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

bool WriteSavedSettings(const std::string& gamePath, const char* commandLine, const char* speed)
{
    return WriteRegistryText(HKEY_CURRENT_USER, SETTINGS_KEY, "Path", gamePath)
        && WriteRegistryText(HKEY_CURRENT_USER, SETTINGS_KEY, "CommandLine", commandLine)
        && WriteRegistryText(HKEY_CURRENT_USER, SETTINGS_KEY, "DemoSpeed", speed);
}

bool WriteVideoMode(const char* key, DWORD width, DWORD height)
{
    return WriteRegistryNumber(HKEY_CURRENT_USER, key, "EngineModeW", width)
        && WriteRegistryNumber(HKEY_CURRENT_USER, key, "EngineModeH", height);
}

std::string RegistryNumberText(const char* key, const char* value)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return "none";
    DWORD number = 0, size = sizeof number;
    LONG status = RegQueryValueExA(handle, value, NULL, NULL, (BYTE*)&number, &size);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS ? std::to_string((long)number) : "none";
}
