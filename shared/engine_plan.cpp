#include "shared/engine_plan.h"

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

GameKind GameKindFromPath(const char* exePath)
{
    char lower[PATH_BUFFER_SIZE];
    // The path comes from a 260-character field; anything longer names no game.
    if (!LowerCaseCopy(lower, sizeof lower, exePath))
        return GAME_NONE;
    if (ContainsText(lower, "hl.exe"))
        return GAME_HALF_LIFE;
    if (ContainsText(lower, "cstrike.exe"))
        return GAME_COUNTER_STRIKE;
    return GAME_NONE;
}

bool IsCounterStrikePath(const char* exePath)
{
    char lower[PATH_BUFFER_SIZE];
    // A longer path is cut here and tested on what is left, as it always was.
    (void)LowerCaseCopy(lower, sizeof lower, exePath);
    return ContainsText(lower, "cstrike.exe");
}

// Where a plan finds the files of one entry.
struct PlanTree {
    char installDir[PATH_BUFFER_SIZE];
    const char* modDir;
    const char* programDir;
    bool counterStrike;
};

// The live file, or one of its copies with the suffix, of an engine or mod entry.
static bool GameFilePath(char* dest, const PlanTree& tree, bool modFile, const char* entry,
                         const char* suffix)
{
    if (modFile)
        return FormatText(dest, PATH_BUFFER_SIZE, "%s\\%s\\%s%s", tree.installDir, tree.modDir,
                          entry, suffix);
    return FormatText(dest, PATH_BUFFER_SIZE, "%s\\%s%s", tree.installDir, entry, suffix);
}

// The pack's copy: p43 (p43r) for engine files, the mod's folder (with an "r")
// for mod files, both under the program's folder.
static bool PackFilePath(char* dest, const PlanTree& tree, bool modFile, const char* entry)
{
    if (modFile)
        return FormatText(dest, PATH_BUFFER_SIZE, "%s\\%s%s\\%s", tree.programDir, tree.modDir,
                          tree.counterStrike ? "r" : "", entry);
    return FormatText(dest, PATH_BUFFER_SIZE, "%s\\%s\\%s", tree.programDir,
                      tree.counterStrike ? "p43r" : "p43", entry);
}

static bool PlanCopy(const PlanTree& tree, EngineCopyKind kind, bool modFile, const char* entry,
                     EngineCopy* copy)
{
    copy->entry = entry;
    switch (kind) {
    case PRISTINE_COPY:
        return GameFilePath(copy->source, tree, modFile, entry, "") &&
               GameFilePath(copy->target, tree, modFile, entry, ".org");
    case BACKUP_COPY:
        return GameFilePath(copy->source, tree, modFile, entry, "") &&
               GameFilePath(copy->target, tree, modFile, entry, ".bak");
    case RESTORE_COPY:
        return GameFilePath(copy->source, tree, modFile, entry, ".bak") &&
               GameFilePath(copy->target, tree, modFile, entry, "");
    case PACK_COPY:
        return PackFilePath(copy->source, tree, modFile, entry) &&
               GameFilePath(copy->target, tree, modFile, entry, "");
    case REVERT_COPY:
        return GameFilePath(copy->source, tree, modFile, entry, ".org") &&
               GameFilePath(copy->target, tree, modFile, entry, "");
    }
    return false;
}

int PlanEngineCopies(EngineCopy copies[MOST_ENGINE_COPIES], EngineCopyKind kind,
                     const char* exePath, const char* modDir, const char* programDir)
{
    PlanTree tree;
    bool dirFits = DeriveInstallDir(tree.installDir, sizeof tree.installDir, exePath);
    tree.modDir = modDir;
    tree.programDir = programDir;
    tree.counterStrike = IsCounterStrikePath(exePath);
    const char* const* engineSet = tree.counterStrike ? CounterStrikeFileSet : HalfLifeFileSet;
    int engineCount = tree.counterStrike ? COUNTER_STRIKE_FILE_COUNT : HALF_LIFE_FILE_COUNT;

    int count = 0;
    for (int i = 0; i < engineCount; i++, count++)
        copies[count].fits = PlanCopy(tree, kind, false, engineSet[i], &copies[count]) && dirFits;
    for (int i = 0; i < MOD_FILE_COUNT; i++, count++)
        copies[count].fits = PlanCopy(tree, kind, true, ModFileSet[i], &copies[count]) && dirFits;
    return count;
}
