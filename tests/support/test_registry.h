#pragma once
// Registry values as the tests set and read them, whatever the programs do.

#include <windows.h>

#include <string>

#include "tests/support/test_files.h"

// A REG_SZ default or named value; `found` false when it is missing.
std::string ReadRegistryString(HKEY root, const char* key, const char* value, bool* found);
// Writes the value as given, its type and bytes, making the key.
bool WriteRegistryBytes(HKEY root, const char* key, const char* value, DWORD type, const void* data, DWORD size);
bool WriteRegistryText(HKEY root, const char* key, const char* value, const std::string& text);
bool ReadRegistryNumber(HKEY root, const char* key, const char* value, DWORD* number);
bool WriteRegistryNumber(HKEY root, const char* key, const char* value, DWORD number);

// Deletes the key and everything under it; true when it is gone.
bool DeleteRegistryTree(HKEY root, const char* key);

// A volatile key, whose lasting sub-keys the system refuses to create; false
// when it could not be made.
bool CreateVolatileKey(HKEY root, const char* key);

// The settings a user who pressed "Save" has, under SETTINGS_KEY.
bool WriteSavedSettings(const std::string& gamePath, const char* commandLine, const char* speed);

// The game's video mode under its key (HALF_LIFE_KEY, COUNTER_STRIKE_KEY).
bool WriteVideoMode(const char* key, DWORD width, DWORD height);

// A value under HKEY_CURRENT_USER read as a 4-byte number, in decimal; "none"
// when it cannot be read (the stand-in game reports the video mode so).
std::string RegistryNumberText(const char* key, const char* value);
