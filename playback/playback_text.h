#pragma once
// The playback's text work: the game's command line, the staged demo's path
// and the decimal text of the game's 4-byte video-mode values. Each function
// that writes returns false when the result did not fit.

#include <stddef.h>
#include <stdint.h>

enum { DEMO_SPEED_SIZE = 20 };   // the demo speed text, up to 19 characters

// "exe extra -game mod -console -toconsole +exec config.cfg +playdemo
// flickbox.dem speed", each value verbatim, so empty ones leave their blanks.
[[nodiscard]] bool ComposeGameCommandLine(char* dest, size_t size, const char* exePath,
                                          const char* extraCommandLine, const char* modDir,
                                          const char* demoSpeed);

// installDir\modDir\flickbox.dem, where the game's +playdemo finds it.
[[nodiscard]] bool ComposeStagedDemoPath(char* dest, size_t size, const char* installDir,
                                         const char* modDir);

// False when the demo's mod directory could lead out of the game directory
// (a separator, a drive colon, "." or ".."); real demos name one folder.
bool IsSafeModDir(const char* modDir);

// The text-to-long conversion the registry writes use: leading blanks, an
// optional sign, digits up to the first other character; no digits gives 0.
// Values beyond the 4-byte range saturate.
int32_t TextToLong(const char* text);

// True when the conversion above finds at least one digit, so the text stands
// for a number rather than for a value never read.
bool HoldsDecimalNumber(const char* text);

// Writes value in base 10 with a leading "-" when negative; false (and dest
// not to be used) when the text does not fit.
[[nodiscard]] bool FormatDecimal(char* dest, size_t size, int32_t value);
