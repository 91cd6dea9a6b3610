// What the shell keeps to itself, declared for its unit tests.
#ifndef QUILLMERE_SHELL_INTERNAL_H
#define QUILLMERE_SHELL_INTERNAL_H

#include "shell.h"

// main.cpp: the main window's tables
extern const MessageMap g_mainMessageMap;
extern const CommandMap g_mainCommandMap;

// msgmap.cpp: the default procedure a DefProcKind names
LRESULT CallDefProc(LONG kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
