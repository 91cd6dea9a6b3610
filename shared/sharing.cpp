#include "sharing.h"
#include "manifest.h"

static HANDLE g_turn; // held until StopRunningAlone, or until the process ends

// Where the system has sessions, one name for the whole machine: a deployment in the
// system's session and a user's run in theirs exclude each other. No handle means a name
// that exists but cannot be opened (made in another session with other rights): held by
// another run as surely as one that can.
BOOL RunAlone(BOOL show)
{
    DWORD version = GetVersion();
    BOOL sessions = !(version & 0x80000000) && LOBYTE(version) >= 5; // Windows 2000 on
    g_turn = CreateMutexA(NULL, FALSE, sessions ? "Global\\" ONE_AT_A_TIME : ONE_AT_A_TIME);
    if (g_turn && GetLastError() != ERROR_ALREADY_EXISTS)
        return TRUE;
    StopRunningAlone(); // the other run's mark is not this one's to keep
    HWND running = FindWindowA("SETUP", NULL);
    if (!running)
        running = FindWindowA(NULL, "Remove Quillmere");
    if (running && show)
        SetForegroundWindow(GetLastActivePopup(running));
    return FALSE;
}

void StopRunningAlone()
{
    if (g_turn)
        CloseHandle(g_turn);
    g_turn = NULL;
}

BOOL FileInUse(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return FALSE;
}
