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

// What the command line asks for. Started without arguments setup.exe asks everything;
// unattended it takes what the pages would propose.
enum UiLevel {
    UI_FULL = 0,    // every page and message
    UI_PASSIVE = 1, // the backdrop and the copy page, nothing else
    UI_SILENT = 2   // no window at all
};
struct Switches {
    int level;
    BOOL help;
    BOOL bad;
    char folder[PATH_CHARS]; // the installation folder, "" for the page's own
    char log[PATH_CHARS];    // "" for no log
};
extern Switches g_switches;
// Whether folder is named in full from its drive, "X:\\name", and its last name fits the
// product folder's; a separator at its end is dropped.
BOOL IsFullFolder(char *folder);

// log.cpp: the log the command line asks for, written as the run goes; without one these
// do nothing.
// The log made new; FALSE when it cannot be written, or its name leads to it through a link
// or it has another name too (refused with ERROR_ACCESS_DENIED, left as it was).
BOOL OpenLog(const char *path);
void Log(const char *text);
void LogLine(const char *label, const char *text);
void LogNumber(const char *label, DWORD number);
// "Failed: what (error N: the system's text)"
void LogFailure(const char *what, DWORD error);
// A report to the user: a message box when somebody is asked, and a line of the log.
void Report(HWND owner, const char *text, const char *caption, UINT type);
// A failure reported: text, the name of what failed on a line of its own, then the error.
void ReportError(const char *text, const char *name, DWORD error);
// The process's exit code: the first outcome set is the one the run ends with, so that no
// later step turns a failure into another one. Until one is set, a run that ends is a
// cancelled one (closing the window cancels).
void SetExitCode(int exitCode);
int ExitCode();
// Logs the outcome and ends the process with its exit code.
void EndSetup();

// unattended.cpp: /S and /passive. The installed version checked, then the installation
// folder as the directory page would propose it, checked for free space and made; FALSE,
// with the exit code set, when the run goes no further.
BOOL PrepareUnattended();
// Everything of /S after that.
void InstallSilently();

// sequencer.cpp
extern UINT_PTR g_stepTimer;
LRESULT OnStepTimer(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ArmStep(UINT step, UINT milliseconds);
void KillStepTimer();
// Asks a page's cancel question; on Yes ends the page and arms the cancelled step.
void AskCancelPage(HWND page, const char *question, const char *caption);

#endif
