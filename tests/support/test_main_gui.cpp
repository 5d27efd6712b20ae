// The shared main of the GUI tests: the same run inside a QApplication.
// Defined here rather than on the command line, so that this unit is
// compiled with the same flags as every GUI test and shares their
// precompiled header.
#define VELLUMO_GUI_TEST 1
#include "support/test_main.cpp"
