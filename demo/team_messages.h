#pragma once
#include <stddef.h>

// Blanks every team-chat message in place and returns how many it blanked.
unsigned int BlankTeamMessages(unsigned char* bytes, size_t size);
