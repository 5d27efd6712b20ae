// The exclamation and error beeps, behind a seam so tests can count them.
#pragma once

// Sounds the beep (QApplication::beep in the GUI) and counts it.
void platform_beep();
// Beeps since the program started.
int platform_beep_count();
// The sound itself; the GUI installs it.
void platform_set_beeper(void (*beeper)());
