#include "tests/reference/reference_scans.h"

#include <string.h>

bool SameInspection(const DemoInspection& a, const DemoInspection& b)
{
    if (strcmp(a.header.magic, b.header.magic) != 0 ||
        a.header.demoProtocol != b.header.demoProtocol ||
        a.header.networkProtocol != b.header.networkProtocol ||
        strcmp(a.header.mapName, b.header.mapName) != 0 ||
        strcmp(a.header.gameDir, b.header.gameDir) != 0)
        return false;
    if (strcmp(a.demoVersion, b.demoVersion) != 0 || strcmp(a.networkVersion, b.networkVersion) != 0 ||
        strcmp(a.gameVersion, b.gameVersion) != 0 || strcmp(a.demoWidth, b.demoWidth) != 0 ||
        strcmp(a.demoHeight, b.demoHeight) != 0 || a.isHltv != b.isHltv)
        return false;
    if (a.playerNames.size() != b.playerNames.size())
        return false;
    for (size_t i = 0; i < a.playerNames.size(); i++) {
        if (strcmp(a.playerNames[i].text, b.playerNames[i].text) != 0)
            return false;
    }
    return strcmp(a.summary, b.summary) == 0 && strcmp(a.previewPath, b.previewPath) == 0 &&
           a.previewPathFits == b.previewPathFits;
}
