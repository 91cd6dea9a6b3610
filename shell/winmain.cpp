#include "shell.h"
#include "dll_search.h"
#include <delayimp.h>

// LZ32 and COMCTL32 are not among the libraries Windows protects from copies beside a
// program, so setup.exe does not import them at start: it loads them from the system
// folder first thing, and its calls reach them through delay-load thunks that the hook
// below points at the same files. COMCTL32 is loaded at once for its list-view class.
static const char *const SYSTEM_LIBRARIES[] = {"comctl32.dll", "lz32.dll"};
static char g_libraryPath[MAX_PATH];
static char g_libraryFailure[MAX_PATH + 64];

static FARPROC WINAPI OnDelayLoad(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary)
        return NULL;
    return reinterpret_cast<FARPROC>(LoadSystemLibrary(info->szDll, g_libraryPath));
}
PfnDliHook __pfnDliNotifyHook2 = OnDelayLoad; // C linkage, as delayimp.h declares it

static BOOL LoadSystemLibraries()
{
    for (const char *name : SYSTEM_LIBRARIES) {
        if (!LoadSystemLibrary(name, g_libraryPath)) {
            CopyText(g_libraryFailure, sizeof g_libraryFailure,
                     "Unable to load a system library:\n");
            AppendText(g_libraryFailure, sizeof g_libraryFailure, g_libraryPath);
            AppendText(g_libraryFailure, sizeof g_libraryFailure, "\nProgram will exit");
            MessageBoxA(NULL, g_libraryFailure, "Error", MB_OK | MB_ICONERROR);
            return FALSE;
        }
    }
    return TRUE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    if (!LoadSystemLibraries())
        return 0;
    LoadStringA(instance, IDS_CLASS_NAME, g_className, CLASS_NAME_CHARS);
    g_hInstance = instance;

    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = g_hInstance;
    windowClass.hIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_SETUP));
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_MENUTEXT + 1);
    windowClass.lpszMenuName = g_className;
    windowClass.lpszClassName = g_className;
    if (!RegisterClassA(&windowClass) && !RegisterClassA(&windowClass))
        return 0;

    g_hMainWnd = CreateWindowExA(0, g_className, g_className,
                                 WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                 0, 0, 0, 0, NULL, NULL, g_hInstance, NULL);
    if (!g_hMainWnd)
        return 0;
    UpdateWindow(g_hMainWnd);

    HACCEL accelerators = LoadAcceleratorsA(g_hInstance, g_className);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0)) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return (int)message.wParam;
}
