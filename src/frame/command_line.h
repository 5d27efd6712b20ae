// What the editor's command line asks for before any window system is
// touched: the help and the version are printed with no display at all, and
// a missing display is said in Russian instead of Qt's abort.
#pragma once

// -1: go on and open the windows; otherwise the exit status, after the help,
// the version or why the editor cannot start has been printed.
int app__command_line(int argc, char **argv);
