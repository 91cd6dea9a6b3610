#include "shell.h"
#include "../shared/dll_search.h"
#include <delayimp.h>

// LZ32 and COMCTL32 are not among the libraries Windows protects from copies beside a
// program, so setup.exe does not import them at start: it loads them from the system
// folder first thing, and its calls reach them through delay-load thunks that the helper
// below resolves from the same files. COMCTL32 is loaded at once for its list-view class.
static const char *const SYSTEM_LIBRARIES[] = {"comctl32.dll", "lz32.dll"};
// What the shell (turning a path into a shell item, as opening the program group's folder
// and setting a shortcut's target do) and COM (starting, making the shell link object)
// load by bare name on Windows XP to 7, as installers have traced it: loaded from the
// system folder first where the search cannot be restricted.
static const char *const SHELL_LIBRARIES[] = {"userenv.dll", "setupapi.dll", "apphelp.dll",
                                              "propsys.dll", "ntmarta.dll",  "cryptbase.dll",
                                              "clbcatq.dll"};
static char g_libraryPath[MAX_PATH];
static char g_libraryFailure[MAX_PATH + 64];

static void ReportLibraryFailure()
{
    CopyText(g_libraryFailure, sizeof g_libraryFailure, "Unable to load a system library:\n");
    AppendText(g_libraryFailure, sizeof g_libraryFailure, g_libraryPath);
    AppendText(g_libraryFailure, sizeof g_libraryFailure, "\nProgram will exit");
    MessageBoxA(NULL, g_libraryFailure, "Error", MB_OK | MB_ICONERROR);
}

// Called by a delay-load thunk on the first call of its function: loads the library from
// the system folder, looks the function up by its name and leaves it in the thunk's slot.
// The descriptors hold addresses relative to the image (dlltool's delay-import libraries).
// In place of the toolchain's helper, three times the size and with unwind tables.
extern "C" FARPROC WINAPI __delayLoadHelper2(PCImgDelayDescr library, FARPROC *slot)
{
    BYTE *image = (BYTE *)GetModuleHandleA(NULL);
    const char *name = (const char *)(image + library->rvaDLLName);
    HMODULE *module = (HMODULE *)(image + library->rvaHmod);
    if (!*module)
        *module = LoadSystemLibrary(name, g_libraryPath);
    const IMAGE_THUNK_DATA *names = (const IMAGE_THUNK_DATA *)(image + library->rvaINT);
    const IMAGE_THUNK_DATA *entry = names + (slot - (FARPROC *)(image + library->rvaIAT));
    const IMAGE_IMPORT_BY_NAME *function =
        (const IMAGE_IMPORT_BY_NAME *)(image + entry->u1.AddressOfData);
    FARPROC address = *module ? GetProcAddress(*module, (const char *)function->Name) : NULL;
    if (!address) {
        SystemLibraryPath(name, g_libraryPath);
        ReportLibraryFailure();
        ExitProcess(0);
    }
    *slot = address;
    return address;
}

static BOOL LoadSystemLibraries()
{
    for (const char *name : SYSTEM_LIBRARIES) {
        if (!LoadSystemLibrary(name, g_libraryPath)) {
            ReportLibraryFailure();
            return FALSE;
        }
    }
    return TRUE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch(SHELL_LIBRARIES, sizeof SHELL_LIBRARIES / sizeof SHELL_LIBRARIES[0]);
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

// setup.exe takes no arguments and needs nothing of the C runtime's start-up, whose
// prebuilt code is not fit for the i486 that Windows 98 runs on.
extern "C" void SetupEntry()
{
    ExitProcess(WinMain(GetModuleHandleA(NULL), NULL, (char *)"", SW_SHOWDEFAULT));
}
