#include "internal.h"
#include "../shared/dll_search.h"
#include "../shared/sharing.h"
#include "../install/install.h"
#include "../shared/stack_guard.h"
#include "../shared/version.h"
#include <delayimp.h>

// LZ32, COMCTL32 and VERSION are not among the libraries Windows protects from copies
// beside a program, so setup.exe does not import them at start: it loads LZ32 and COMCTL32
// from the system folder first thing, and its calls reach all three through delay-load
// thunks that the helper below resolves from the system folder's files. COMCTL32 is loaded
// at once for its list-view class; VERSION only where an installation's program is asked
// its version.
static const char *const SYSTEM_LIBRARIES[] = {"comctl32.dll", "lz32.dll"};
// What the shell (turning a path into a shell item, as opening the program group's folder
// and setting a shortcut's target do) and COM (starting, making the shell link object)
// load by bare name on Windows XP to 7, as installers have traced it: loaded from the
// system folder first where the search cannot be restricted.
static const char *const SHELL_LIBRARIES[] = {"userenv.dll", "setupapi.dll", "apphelp.dll",
                                              "propsys.dll", "ntmarta.dll",  "cryptbase.dll",
                                              "clbcatq.dll"};
static char g_libraryPath[MAX_PATH];
static char g_messageText[PATH_CHARS + 300];

#define USAGE                                                                          \
    "/S or /quiet\tno window at all\n"                                                   \
    "/passive\tonly the progress\n"                                                      \
    "/LOG=file\ta log\n"                                                                \
    "/D=X:\\folder\tthe folder, last on the line\n\n"                                     \
    "Exit codes: 0 installed, 1602 cancelled, 1603 failed, 112 disk full, 87 bad switch, " \
    "1622 no log, 1618 already running, 32 Quillmere in use, 1638 a later version installed"

// A system library or one of its functions (function, when not NULL) is missing: nothing
// can be done without it.
static void ReportLibraryFailure(const char *function)
{
    CopyText(g_messageText, sizeof g_messageText, "Unable to load a system library:\n");
    AppendText(g_messageText, sizeof g_messageText, g_libraryPath);
    if (function) {
        AppendText(g_messageText, sizeof g_messageText, "\nFunction: ");
        AppendText(g_messageText, sizeof g_messageText, function);
    }
    AppendText(g_messageText, sizeof g_messageText, "\nProgram will exit");
    Report(NULL, g_messageText, "Error", MB_OK | MB_ICONERROR);
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
        ReportLibraryFailure((const char *)function->Name);
        SetExitCode(ERROR_INSTALL_FAILURE);
        EndSetup();
    }
    *slot = address;
    return address;
}

static BOOL LoadSystemLibraries()
{
    for (const char *name : SYSTEM_LIBRARIES) {
        if (!LoadSystemLibrary(name, g_libraryPath)) {
            ReportLibraryFailure(NULL);
            return FALSE;
        }
    }
    return TRUE;
}

// The log's first lines: what runs, where, and what it was asked.
static void LogStart()
{
    DWORD version = GetVersion();
    char text[64];
    wsprintfA(text, "%u.%u.%u", LOBYTE(version), HIBYTE(version), HIWORD(version) & 0x7FFF);
    LogLine("Quillmere Setup ", VERSION_TEXT);
    LogLine("Windows ", text);
    LogLine("Command line: ", GetCommandLineA());
}

// The log asked for, made new; FALSE, having said so when somebody is there, when it
// cannot be.
static BOOL StartLog()
{
    if (!g_switches.log[0] || OpenLog(g_switches.log)) {
        LogStart();
        return TRUE;
    }
    ReportError("The log file cannot be created:\n", g_switches.log, GetLastError());
    return FALSE;
}

// What an ended run left in the installation folder (the command line's, else the one an
// earlier installation recorded) is put right before anything else, once nobody but
// administrators can change what lies there.
static void PutRightInstallation()
{
    char folder[PATH_CHARS];
    if ((g_switches.folder[0] ? CopyText(folder, PATH_CHARS, g_switches.folder)
                              : RecordedFolder(ENTRY_PROGRAM_DIR, folder)) &&
        ProtectInstallFolder(folder))
        RecoverFolder(folder);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    RestrictDllSearch(SHELL_LIBRARIES, sizeof SHELL_LIBRARIES / sizeof SHELL_LIBRARIES[0]);
    g_hInstance = instance;
    int bad = ParseCommandLine(commandLine, &g_switches);
    if (bad || g_switches.help) {
        if (g_switches.level == UI_FULL)
            MessageBoxA(NULL, USAGE, "Setup", MB_OK | (bad ? MB_ICONERROR : MB_ICONINFORMATION));
        return bad;
    }
    if (!RunAlone(g_switches.level != UI_SILENT))
        return ERROR_INSTALL_ALREADY_RUNNING;
    if (!StartLog())
        return ERROR_INSTALL_LOG_FAILURE;
    PutRightInstallation();
    if (!LoadSystemLibraries())
        return ERROR_INSTALL_FAILURE;
    if (g_switches.level != UI_FULL && !PrepareUnattended())
        return ExitCode();
    if (g_switches.level == UI_SILENT) {
        InstallSilently();
        return ExitCode();
    }
    LoadStringA(instance, IDS_CLASS_NAME, g_className, CLASS_NAME_CHARS);

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
        return ERROR_INSTALL_FAILURE;

    g_hMainWnd = CreateWindowExA(0, g_className, g_className,
                                 WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                 0, 0, 0, 0, NULL, NULL, g_hInstance, NULL);
    if (!g_hMainWnd)
        return ERROR_INSTALL_FAILURE;
    UpdateWindow(g_hMainWnd);

    HACCEL accelerators = LoadAcceleratorsA(g_hInstance, g_className);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0)) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return ExitCode();
}

// setup.exe needs nothing of the C runtime's start-up, whose prebuilt code is not fit for
// the i486 that Windows 98 runs on. WinMain is given the whole command line.
extern "C" UNGUARDED void SetupEntry()
{
    SeedStackGuard();
    SetExitCode(WinMain(GetModuleHandleA(NULL), NULL, GetCommandLineA(), SW_SHOWDEFAULT));
    EndSetup();
}
