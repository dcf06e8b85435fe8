#include "tests/e2e/support/scratch.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "tests/e2e/support/driver.h"

static int scratchCount = 0;

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return folder + "\\" + name;
}

static std::string LongPathOf(const std::string& path)
{
    char buffer[MAX_PATH];
    DWORD length = GetLongPathNameA(path.c_str(), buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return path;
    return std::string(buffer);
}

std::string MakeScratchFolder(const char* tag)
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    std::string base = LongPathOf(temp);
    if (!base.empty() && base[base.size() - 1] == '\\')
        base.erase(base.size() - 1);
    for (int attempt = 0; attempt < 100; attempt++) {
        char name[96];
        snprintf(name, sizeof name, "fbe2e-%s-%lu-%d", tag, GetCurrentProcessId(), ++scratchCount);
        std::string folder = JoinPath(base, name);
        if (CreateDirectoryA(folder.c_str(), NULL))
            return folder;
    }
    return std::string();
}

bool MakeFolders(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    size_t cut = path.rfind('\\');
    if (cut != std::string::npos && cut > 2 && !MakeFolders(path.substr(0, cut)))
        return false;
    return CreateDirectoryA(path.c_str(), NULL) != 0;
}

std::string InstallFlickboxCopy(const std::string& folder)
{
    std::string source = JoinPath(DriverBinFolder(), "flickbox.exe");
    std::string target = JoinPath(folder, "flickbox.exe");
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE))
        return std::string();
    return target;
}

bool InstallStandinGame(const std::string& path)
{
    std::string source = JoinPath(DriverBinFolder(), "standin_game.exe");
    return CopyFileA(source.c_str(), path.c_str(), FALSE) != 0;
}

SampleDemoSpec DemoSpec(int networkProtocol, const char* map, unsigned width, unsigned height,
                        const std::vector<std::string>& players)
{
    SampleDemoSpec spec;
    spec.networkProtocol = networkProtocol;
    spec.mapName = map;
    spec.width = width;
    spec.height = height;
    spec.playerNames = players;
    return spec;
}

bool WriteDemo(const std::string& path, const SampleDemoSpec& spec)
{
    return WriteSampleDemo(path.c_str(), spec);
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes)
{
    bytes->clear();
    FILE* in = fopen(path.c_str(), "rb");
    if (!in)
        return false;
    unsigned char chunk[65536];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, in)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + count);
    bool clean = ferror(in) == 0;
    fclose(in);
    return clean;
}

bool WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* out = fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool written = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return fclose(out) == 0 && written;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HANDLE HoldOpenForWriting(const std::string& path, DWORD share)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       NULL);
}

COLORREF MapPreviewColourAt(int x, int y)
{
    return x % 40 < 5 || y % 30 < 5 ? MAP_PREVIEW_WALL : MAP_PREVIEW_GROUND;
}

bool WriteMapPreviewBitmap(const std::string& path, int width, int height)
{
    int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER header;
    memset(&file, 0, sizeof file);
    memset(&header, 0, sizeof header);
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = (DWORD)(stride * height);
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;

    std::vector<unsigned char> bytes((const unsigned char*)&file, (const unsigned char*)&file + sizeof file);
    bytes.insert(bytes.end(), (const unsigned char*)&header, (const unsigned char*)&header + sizeof header);
    // Bottom-up: the file's first row is the picture's last.
    for (int row = 0; row < height; row++) {
        std::vector<unsigned char> line(stride, 0);
        for (int x = 0; x < width; x++) {
            COLORREF colour = MapPreviewColourAt(x, height - 1 - row);
            line[x * 3] = GetBValue(colour);
            line[x * 3 + 1] = GetGValue(colour);
            line[x * 3 + 2] = GetRValue(colour);
        }
        bytes.insert(bytes.end(), line.begin(), line.end());
    }
    return WriteWholeFile(path, bytes);
}

std::string ShortPathOf(const std::string& path)
{
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(buffer);
}

std::string ReadRegistryText(HKEY root, const char* key, const char* value, bool* found)
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

static bool WriteValue(HKEY root, const char* key, const char* value, DWORD type, const void* data, DWORD size)
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
    return WriteValue(root, key, value, REG_SZ, text.c_str(), (DWORD)text.size() + 1);
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
    return WriteValue(root, key, value, REG_DWORD, &number, sizeof number);
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

std::string SystemText(DWORD code)
{
    char* text = NULL;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS
                                      | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  NULL, code, 0, (char*)&text, 0, NULL);
    std::string result = length && text ? std::string(text) : std::string();
    if (text)
        LocalFree(text);
    return result;
}

std::vector<std::string> Sorted(std::vector<std::string> items)
{
    std::sort(items.begin(), items.end());
    return items;
}
