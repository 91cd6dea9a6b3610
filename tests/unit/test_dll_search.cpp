// Libraries of the system folder loaded by full path, and where the search cannot be
// restricted (GetVersion answers Vista) the ones loaded by name later, loaded first; and
// the Programs folder where the shell library lacks its calls. GetSystemDirectoryA,
// GetVersion and GetProcAddress are wrapped at link time.
#include "../check.h"
#include "../../shared/dll_search.h"
#include "../../shared/system_folder.h"
#include <shlobj.h>
#include <string>

#define VISTA 0x17700006 // build 6000, version 6.0
#define SHELL_FOLDERS "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"
#define SHELL_PROGRAMS "C:\\qmshell"

// The libraries that lack the shell's folder calls: none, shell32 (Windows NT 4), or all.
enum FolderCalls { ALL_THERE, NOT_IN_SHELL32, NOWHERE };
static FolderCalls g_folderCalls = ALL_THERE;
ANSWER_IMPORT(GetProcAddress, 8)

static FARPROC WINAPI AnswerGetProcAddress(HMODULE module, LPCSTR name)
{
    bool lacking = g_folderCalls == NOWHERE ||
                   (g_folderCalls == NOT_IN_SHELL32 && module == GetModuleHandleA("shell32.dll"));
    return lacking && HIWORD(name) && strncmp(name, "SHGet", 5) == 0
               ? NULL
               : g_realGetProcAddress(module, name);
}

enum SystemFolderAnswer { AS_THE_SYSTEM, FAILING, TOO_LONG };
static SystemFolderAnswer g_answer = AS_THE_SYSTEM;

static UINT WINAPI AnswerSystemFolder(LPSTR buffer, UINT size);
static DWORD WINAPI AnswerVista() { return VISTA; }
extern "C" {
void *g_wrapSystemFolder asm("___wrap__imp__GetSystemDirectoryA@8") = (void *)AnswerSystemFolder;
void *g_wrapVersion asm("___wrap__imp__GetVersion@0") = (void *)AnswerVista;
extern UINT(WINAPI *g_realSystemFolder)(LPSTR, UINT) asm("___real__imp__GetSystemDirectoryA@8");
}

// Failing, the buffer is left holding something stale.
static UINT WINAPI AnswerSystemFolder(LPSTR buffer, UINT size)
{
    if (g_answer == AS_THE_SYSTEM)
        return g_realSystemFolder(buffer, size);
    lstrcpynA(buffer, "C:\\stale", size);
    return g_answer == FAILING ? 0 : size + 1;
}

static std::string SystemFolder()
{
    char folder[MAX_PATH];
    UINT length = g_realSystemFolder(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? folder : "";
}

static std::string ModulePath(const char *name)
{
    char path[MAX_PATH] = "";
    HMODULE module = GetModuleHandleA(name);
    if (module)
        GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

// The failure message names what is known: the full path, or the library's name alone.
static void TestLoading()
{
    struct Case {
        SystemFolderAnswer answer;
        bool loaded;
        std::string path;
    };
    const Case cases[] = {
        {AS_THE_SYSTEM, true, SystemFolder() + "\\lz32.dll"},
        {FAILING, false, "lz32.dll"},
        {TOO_LONG, false, "lz32.dll"},
    };
    for (const Case &c : cases) {
        g_answer = c.answer;
        char path[MAX_PATH] = "C:\\earlier\\comctl32.dll";
        HMODULE module = LoadSystemLibrary("lz32.dll", path);
        ok((module != NULL) == c.loaded && lstrcmpiA(path, c.path.c_str()) == 0,
           "answer %d: %s, path \"%s\", expected \"%s\"", (int)c.answer,
           module ? "loaded" : "not loaded", path, c.path.c_str());
    }
    g_answer = AS_THE_SYSTEM;
}

static void TestVista()
{
    static const char *const ownList[] = {"userenv.dll", "missing-library.dll"};
    const char *const expected[] = {"uxtheme.dll", "dwmapi.dll", "userenv.dll"};
    for (const char *name : expected)
        ok(!GetModuleHandleA(name), "%s is not loaded before", name);
    RestrictDllSearch(ownList, 2);
    for (const char *name : expected)
        ok(lstrcmpiA(ModulePath(name).c_str(), (SystemFolder() + "\\" + name).c_str()) == 0,
           "%s loaded from the system folder, got \"%s\"", name, ModulePath(name).c_str());
}

// Windows NT 4 without the shell's update: the folder library answers, and without it
// the registry.
static void TestFolderWithoutShellCalls()
{
    char expected[MAX_PATH], folder[MAX_PATH];
    SHGetFolderPathA(NULL, CSIDL_COMMON_PROGRAMS, NULL, SHGFP_TYPE_CURRENT, expected);
    g_folderCalls = NOT_IN_SHELL32;
    bool found = SystemFolder(CSIDL_COMMON_PROGRAMS, folder);
    std::string library = ModulePath("shfolder.dll");
    ok(found && lstrcmpiA(folder, expected) == 0 &&
           lstrcmpiA(library.c_str(), (SystemFolder() + "\\shfolder.dll").c_str()) == 0,
       "through %s: \"%s\", expected \"%s\"", library.c_str(), folder, expected);
    g_folderCalls = NOWHERE;
    CreateDirectoryA(SHELL_PROGRAMS, NULL);
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, SHELL_FOLDERS, "Common Programs", REG_SZ, SHELL_PROGRAMS,
                    sizeof SHELL_PROGRAMS);
    ok(SystemFolder(CSIDL_COMMON_PROGRAMS, folder) && lstrcmpA(folder, SHELL_PROGRAMS) == 0,
       "through the registry: \"%s\"", folder);
    RemoveDirectoryA(SHELL_PROGRAMS);
}

int main()
{
    TestLoading();
    TestVista();
    TestFolderWithoutShellCalls();
    return check_summary();
}
