// Where each of Quillmere's libraries starts, in place of the C runtime's start-up: they
// keep no state to set up or tear down, and that prebuilt code is not fit for the i486
// that Windows 98 runs on.
#include <windows.h>
#include "stack_guard.h"

// Seeded once, as the library is loaded: its guarded functions run only after that, and
// none of them is active when it is called again as the library is unloaded.
extern "C" UNGUARDED BOOL WINAPI LibraryEntry(HINSTANCE library, DWORD reason, LPVOID)
{
    // Nothing is kept per thread either: no calls as threads start and end.
    if (reason == DLL_PROCESS_ATTACH) {
        SeedStackGuard();
        DisableThreadLibraryCalls(library);
    }
    return TRUE;
}
