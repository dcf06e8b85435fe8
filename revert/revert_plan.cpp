#include "revert/revert_plan.h"

// The revert tool knows no demo, so it always restores this mod's files.
static const char REVERT_MOD_DIR[] = "cstrike";

static void PlanEngineCopy(const char* installDir, bool dirFits, const char* entry, RevertCopy* copy)
{
    copy->entry = entry;
    bool sourceFits = FormatText(copy->source, sizeof copy->source, "%s\\%s.org", installDir, entry);
    bool targetFits = FormatText(copy->target, sizeof copy->target, "%s\\%s", installDir, entry);
    copy->fits = dirFits && sourceFits && targetFits;
}

static void PlanModCopy(const char* installDir, bool dirFits, const char* entry, RevertCopy* copy)
{
    copy->entry = entry;
    bool sourceFits = FormatText(copy->source, sizeof copy->source, "%s\\%s\\%s.org", installDir,
                                 REVERT_MOD_DIR, entry);
    bool targetFits = FormatText(copy->target, sizeof copy->target, "%s\\%s\\%s", installDir,
                                 REVERT_MOD_DIR, entry);
    copy->fits = dirFits && sourceFits && targetFits;
}

int PlanRevertCopies(const char* exePath, RevertCopy copies[MOST_REVERT_COPIES])
{
    char installDir[PATH_BUFFER_SIZE];
    bool dirFits = DeriveInstallDir(exePath, installDir, sizeof installDir);

    const char* const* engineSet = HalfLifeFileSet;
    int engineCount = HALF_LIFE_FILE_COUNT;
    if (IsCounterStrikePath(exePath)) {
        engineSet = CounterStrikeFileSet;
        engineCount = COUNTER_STRIKE_FILE_COUNT;
    }

    int count = 0;
    for (int i = 0; i < engineCount; i++)
        PlanEngineCopy(installDir, dirFits, engineSet[i], &copies[count++]);
    for (int i = 0; i < MOD_FILE_COUNT; i++)
        PlanModCopy(installDir, dirFits, ModFileSet[i], &copies[count++]);
    return count;
}
