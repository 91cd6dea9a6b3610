// The setup shell: program entry, main window and step sequencer.
#ifndef QUILLMERE_SHELL_H
#define QUILLMERE_SHELL_H

#include <windows.h>
#include "msgmap.h"
#include "../shared/manifest.h"
#include "../shared/text.h"
#include "../res/ids.h"

#define CLASS_NAME_CHARS 10

// main.cpp
extern HINSTANCE g_hInstance;
extern char g_className[CLASS_NAME_CHARS];
extern HWND g_hMainWnd;
extern int g_screenWidth;
extern int g_screenHeight;
extern char g_startDir[PATH_CHARS];
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// FALSE on Windows 9x, which lacks delete-on-close and the halftone stretch.
BOOL OnWindowsNT();

// sequencer.cpp
extern UINT_PTR g_stepTimer;
LRESULT OnStepTimer(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ArmStep(UINT step, UINT milliseconds);
void KillStepTimer();
// Asks a page's cancel question; on Yes ends the page and arms the cancelled step.
void AskCancelPage(HWND page, const char *question, const char *caption);

#endif
