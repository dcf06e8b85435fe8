#pragma once

// Copies the pristine copies of the engine files back over the live
// files of the game saved in the settings, then says how it went. Goes through
// every entry whatever fails; an entry without a pristine copy is passed over.
void RevertEngineFiles();
