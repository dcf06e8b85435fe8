#pragma once
// The game's command line and the staged demo's path, composed into fixed
// buffers; each returns false when the result did not fit.

#include <stddef.h>

enum { DEMO_SPEED_SIZE = 20 };   // the demo speed text, up to 19 characters

// "exe extra -game mod -console -toconsole +exec config.cfg +playdemo
// flickbox.dem speed", each value verbatim, so empty ones leave their blanks.
bool ComposeGameCommandLine(char* dest, size_t size, const char* exePath,
                            const char* extraCommandLine, const char* modDir,
                            const char* demoSpeed);

// False when the demo's mod directory could lead out of the game directory
// (a separator, a drive colon, "." or ".."); real demos name one folder.
bool IsSafeModDir(const char* modDir);

// installDir\modDir\flickbox.dem, where the game's +playdemo finds it.
bool ComposeStagedDemoPath(char* dest, size_t size, const char* installDir,
                           const char* modDir);
