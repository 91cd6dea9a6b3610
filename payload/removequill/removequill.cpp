// Remove Quillmere. Started without arguments it finds the installation, asks, and hands
// the work to a copy of itself in the temporary folder, so that this program's own file
// can go too: the copy waits for this process to end, removes everything, marks itself
// for removal at the next restart and reports.
#include <windows.h>
#include "api.h"
#include "dll_search.h"
#include "removal.h"
#include "text.h"

#define CAPTION "Remove Quillmere"
#define CONTINUE_ARGUMENT "/continue"
#define NOT_INSTALLED_TEXT "Quillmere is not installed."
#define PARENT_WAIT_MS 120000
#define COMMAND_CHARS (MAX_PATH + 64)

// Exit codes.
#define EXIT_REMOVED 0       // everything removed, or the copy started to do it
#define EXIT_LEFT 1          // removed, but some items stay
#define EXIT_NOT_INSTALLED 2
#define EXIT_DECLINED 3
#define EXIT_FAILED 4        // nothing removed; the message says why

static Installation g_installation;
static Removal g_removal;
static char g_text[REPORT_CHARS + 2 * PATH_CHARS];

static int Say(const char *text, UINT icon, int exitCode)
{
    MessageBoxA(NULL, text, CAPTION, MB_OK | icon);
    return exitCode;
}

// "text (error N: ...)." and that nothing was removed.
static int SayError(const char *text, DWORD error)
{
    char why[400];
    DescribeError(error, why, sizeof why);
    CopyText(g_text, sizeof g_text, text);
    AppendText(g_text, sizeof g_text, " (");
    AppendText(g_text, sizeof g_text, why);
    AppendText(g_text, sizeof g_text, ").\nNothing was removed.");
    return Say(g_text, MB_ICONERROR, EXIT_FAILED);
}

// Finds the installation; otherwise says why not and sets the exit code.
static BOOL Find(int *exitCode)
{
    char entry[ENTRY_NAME_CHARS] = "";
    FindResult result = FindInstallation(&g_installation, entry, sizeof entry);
    if (result == INSTALLATION_FOUND)
        return TRUE;
    if (result == NOT_INSTALLED) {
        *exitCode = Say(NOT_INSTALLED_TEXT, MB_ICONINFORMATION, EXIT_NOT_INSTALLED);
        return FALSE;
    }
    CopyText(g_text, sizeof g_text, "The uninstall entry of Quillmere cannot be read:\n");
    AppendText(g_text, sizeof g_text, entry);
    AppendText(g_text, sizeof g_text, "\nNothing was removed.");
    *exitCode = Say(g_text, MB_ICONERROR, EXIT_FAILED);
    return FALSE;
}

static BOOL Confirm()
{
    CopyText(g_text, sizeof g_text, "Remove Quillmere from\n");
    AppendText(g_text, sizeof g_text, g_installation.programDir);
    AppendText(g_text, sizeof g_text, "\nand its shortcuts from\n");
    AppendText(g_text, sizeof g_text, g_installation.groupDir);
    AppendText(g_text, sizeof g_text, "?\n\nFiles that Quillmere did not install are kept.");
    return MessageBoxA(NULL, g_text, CAPTION, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
           IDYES;
}

// No one can write the pinned file, on a network share either, where a running program's
// file is not protected: what the suspended helper will run is what it holds now.
static BOOL HoldsOwnBytes(HANDLE pin, const FileBytes *own)
{
    FileBytes held;
    if (ReadOpenFile(pin, &held) != 0)
        return FALSE;
    BOOL same = held.size == own->size && SameBytes(held.data, own->data, own->size);
    FreeFileBytes(&held);
    return same;
}

// Copies this program to the temporary folder and starts the copy there, handing it a
// handle to this process to wait on. The copy starts suspended and runs only once its
// file is seen to hold this program's bytes.
static int StartHelper()
{
    char self[MAX_PATH], folder[MAX_PATH], helper[MAX_PATH], command[COMMAND_CHARS];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof self);
    if (length == 0 || length >= sizeof self)
        return SayError("Remove Quillmere cannot find its own file", GetLastError());
    length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        return SayError("There is no temporary folder to work from", GetLastError());
    FileBytes own;
    DWORD error = ReadWholeFile(self, &own);
    if (error)
        return SayError("Remove Quillmere cannot read its own file", error);
    HANDLE pin = MakeHelperFile(folder, &own, helper);
    if (pin == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        FreeFileBytes(&own);
        return SayError("Remove Quillmere cannot make its helper in the temporary folder",
                        error);
    }
    HANDLE selfProcess = NULL;
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    BOOL started =
        DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(),
                        &selfProcess, SYNCHRONIZE, TRUE, 0) &&
        wsprintfA(command, "\"%s\" " CONTINUE_ARGUMENT " %lu", helper,
                  (unsigned long)(ULONG_PTR)selfProcess) > 0 &&
        CreateProcessA(helper, command, NULL, NULL, TRUE, CREATE_SUSPENDED, NULL, folder,
                       &startup, &process);
    error = GetLastError();
    BOOL genuine = started && HoldsOwnBytes(pin, &own);
    if (genuine) {
        ResumeThread(process.hThread);
    } else if (started) {
        TerminateProcess(process.hProcess, EXIT_FAILED);
        WaitForSingleObject(process.hProcess, PARENT_WAIT_MS); // then its file can go
    }
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (selfProcess)
        CloseHandle(selfProcess);
    CloseHandle(pin);
    FreeFileBytes(&own);
    if (genuine)
        return EXIT_REMOVED;
    DeleteFileA(helper);
    if (started)
        return Say("The helper of Remove Quillmere was changed in the temporary folder "
                   "before it could start.\nNothing was removed.",
                   MB_ICONERROR, EXIT_FAILED);
    return SayError("Remove Quillmere cannot start its helper in the temporary folder", error);
}

static int Start()
{
    int exitCode;
    if (!Find(&exitCode))
        return exitCode;
    return Confirm() ? StartHelper() : EXIT_DECLINED;
}

// The helper's own file cannot go while it runs; the system removes it at the next start.
static void ScheduleOwnRemoval()
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof self);
    if (length == 0 || length >= sizeof self)
        NoteLeft(&g_removal, "the helper copy of Remove Quillmere",
                 "its file name is too long to mark it for removal");
    else if (!MoveFileExA(self, NULL, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        char why[400];
        DescribeError(GetLastError(), why, sizeof why);
        CopyText(g_text, sizeof g_text, "cannot be marked for removal at the next restart (");
        AppendText(g_text, sizeof g_text, why);
        AppendText(g_text, sizeof g_text, ")");
        NoteLeft(&g_removal, self, g_text);
    }
}

// The copy's part: wait for the first process, remove, report.
static int Continue(const char *argument)
{
    unsigned long value = 0;
    int digits = 0;
    for (; argument[digits] >= '0' && argument[digits] <= '9' && digits < 10; ++digits)
        value = value * 10 + (unsigned long)(argument[digits] - '0');
    HANDLE parent = (HANDLE)(ULONG_PTR)value;
    if (digits == 0 || argument[digits] != '\0' ||
        WaitForSingleObject(parent, PARENT_WAIT_MS) == WAIT_FAILED)
        return Say(CONTINUE_ARGUMENT " is only for Remove Quillmere's own helper.\n"
                                     "Nothing was removed.",
                   MB_ICONERROR, EXIT_FAILED);
    CloseHandle(parent);
    int exitCode;
    if (!Find(&exitCode))
        return exitCode;
    RemoveInstallation(&g_installation, &g_removal);
    ScheduleOwnRemoval();
    ComposeReport(&g_removal, g_text, sizeof g_text);
    return Say(g_text, g_removal.leftCount ? MB_ICONWARNING : MB_ICONINFORMATION,
               g_removal.leftCount ? EXIT_LEFT : EXIT_REMOVED);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    RestrictDllSearch(); // the helper runs from the temporary folder
    while (*commandLine == ' ')
        ++commandLine;
    if (*commandLine == '\0')
        return Start();
    const int length = sizeof CONTINUE_ARGUMENT - 1;
    if (lstrlenA(commandLine) > length && commandLine[length] == ' ' &&
        CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, commandLine, length,
                       CONTINUE_ARGUMENT, length) == CSTR_EQUAL)
        return Continue(commandLine + length + 1);
    return Say("Remove Quillmere takes no arguments.\nNothing was removed.", MB_ICONERROR,
               EXIT_FAILED);
}
