#include "shared/engine_files.h"

const char* const HalfLifeFileSet[HALF_LIFE_FILE_COUNT] = {
    "hl.dat",
    "hl.exe",
    "hw.dll",
    "sw.dll",
    "\\valve\\cl_dlls\\client.dll",
    "\\valve\\dlls\\hl.dll",
};

const char* const CounterStrikeFileSet[COUNTER_STRIKE_FILE_COUNT] = {
    "cstrike.dat",
    "cstrike.exe",
    "hw.dll",
    "sw.dll",
    "\\valve\\cl_dlls\\client.dll",
};

const char* const ModFileSet[MOD_FILE_COUNT] = {
    "\\cl_dlls\\client.dll",
    "\\dlls\\mp.dll",
};
