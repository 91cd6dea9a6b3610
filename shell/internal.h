// What the shell keeps to itself, declared for its unit tests.
#ifndef QUILLMERE_SHELL_INTERNAL_H
#define QUILLMERE_SHELL_INTERNAL_H

#include "shell.h"

// main.cpp: the main window's tables
extern const MessageMap g_mainMessageMap;
extern const CommandMap g_mainCommandMap;

// msgmap.cpp: the default procedure a DefProcKind names
LRESULT CallDefProc(LONG kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// command_line.cpp: the switches after the program's name; 0, or ERROR_INVALID_PARAMETER
// for a line that holds anything else (switches->bad).
int ParseCommandLine(const char *line, Switches *switches);

#endif
