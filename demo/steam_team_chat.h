#pragma once
// Steam-era team chat taken out of a demo without changing its size.

#include <stddef.h>

#include "demo/demo_structure.h"

// Overwrites every Steam-form team chat message the structure lists with
// svc_nop bytes (0x01), the same number of bytes; returns how many. The
// structure must have been read from these bytes; all-chat and every byte
// outside the listed messages stay as they are.
unsigned int NopSteamTeamChat(unsigned char* bytes, size_t size, const DemoStructure& structure);
