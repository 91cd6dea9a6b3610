// Where Quillmere's two programs start, in place of the C runtime's start-up: they need
// none of its services, and its prebuilt code is not fit for the i486 that Windows 98
// runs on.
#include <windows.h>
#include "stack_guard.h"

// The command line after the program's name, as WinMain receives it: the name may be
// quoted, and the blanks after it are skipped.
static char *ArgumentsOf(char *line)
{
    if (*line == '"') {
        while (*++line && *line != '"')
            ;
        if (*line == '"')
            ++line;
    } else {
        while ((unsigned char)*line > ' ')
            ++line;
    }
    while (*line && (unsigned char)*line <= ' ')
        ++line;
    return line;
}

extern "C" UNGUARDED void ProgramEntry()
{
    SeedStackGuard();
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = startup.dwFlags & STARTF_USESHOWWINDOW ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(WinMain(GetModuleHandleA(NULL), NULL, ArgumentsOf(GetCommandLineA()), show));
}
