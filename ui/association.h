#pragma once

// Points the shell's .DEM files at this executable under HKEY_CLASSES_ROOT;
// every failed step is reported and the next one still attempted.
void RegisterDemoAssociation(const char* exePath);
