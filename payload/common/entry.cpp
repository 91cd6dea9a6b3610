// Where Quillmere's two programs start, in place of the C runtime's start-up: they need
// none of its services, and its prebuilt code is not fit for the i486 that Windows 98
// runs on.
#include <windows.h>
#include "program_name.h"
#include "stack_guard.h"

extern "C" UNGUARDED void ProgramEntry()
{
    SeedStackGuard();
    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = startup.dwFlags & STARTF_USESHOWWINDOW ? startup.wShowWindow : SW_SHOWDEFAULT;
    LPSTR arguments = (LPSTR)AfterProgramName(GetCommandLineA());
    ExitProcess(WinMain(GetModuleHandleA(NULL), NULL, arguments, show));
}
