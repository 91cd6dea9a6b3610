// Where each of Quillmere's libraries starts, in place of the C runtime's start-up: they
// keep no state to set up or tear down, and that prebuilt code is not fit for the i486
// that Windows 98 runs on.
#include <windows.h>

extern "C" BOOL WINAPI LibraryEntry(HINSTANCE library, DWORD reason, LPVOID)
{
    // Nothing is kept per thread either: no calls as threads start and end.
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(library);
    return TRUE;
}
