// Remove Quillmere. Started without arguments it finds the installation, asks, and hands
// the work to a copy of itself in the temporary folder, so that this program's own file
// can go too. The copy removes everything, this program's running file set aside beside
// the installation folder, and reports its exit code; this process ends with it, letting
// go of its turn, so that a setup started next finds nothing of the removal in its way.
// The copy then removes the set-aside file (where Windows cannot set it aside, the
// uninstaller's file and folder), marks itself for removal at the next restart and
// reports. With /S nothing is asked or reported.
#include <windows.h>
#include "api.h"
#include "dll_search.h"
#include "removal.h"
#include "sharing.h"
#include "text.h"
#include "undo.h"

#define CAPTION "Remove Quillmere"
#define QUIET_SWITCH "s"
#define CONTINUE_SWITCH "continue"
#define CONTINUE_ARGUMENT "/" CONTINUE_SWITCH
#define CONTINUE_HANDLES 3 // the first process, the report's event and its pipe
#define NOT_INSTALLED_TEXT "Quillmere is not installed."
#define IN_USE_TEXT "Quillmere is running. Close it, then choose Retry."
#define USAGE_TEXT                                                                          \
    "Remove Quillmere takes one switch:\n"                                                  \
    "/S\tremove Quillmere without any question or message.\n\n"                             \
    "Nothing was removed."
#define PARENT_WAIT_MS 120000
#define REPORT_WAIT_MS 600000 // the copy's removal, however slow the system
#define COMMAND_CHARS (MAX_PATH + 96)

struct Command {
    BOOL quiet;
    BOOL helper; // /continue: this is the copy in the temporary folder
    BOOL bad;
    HANDLE handles[CONTINUE_HANDLES];
};

static Installation g_installation;
static Removal g_removal;
static char g_text[REPORT_CHARS + 2 * PATH_CHARS]; // the message shown at the end, if any
static UINT g_icon;

// The message to show once the work is done; returns exitCode.
static int Tell(const char *text, UINT icon, int exitCode)
{
    CopyText(g_text, sizeof g_text, text);
    g_icon = icon;
    return exitCode;
}

// "text (error N: ...)." and that nothing was removed.
static int TellError(const char *text, DWORD error)
{
    char why[400];
    DescribeError(error, why, sizeof why);
    CopyText(g_text, sizeof g_text, text);
    AppendText(g_text, sizeof g_text, " (");
    AppendText(g_text, sizeof g_text, why);
    AppendText(g_text, sizeof g_text, ").\nNothing was removed.");
    g_icon = MB_ICONERROR;
    return ERROR_INSTALL_FAILURE;
}

// Finds the installation; otherwise tells why not and sets the exit code.
static BOOL Find(int *exitCode)
{
    char entry[ENTRY_NAME_CHARS] = "";
    FindResult result = FindInstallation(&g_installation, entry, sizeof entry);
    if (result == INSTALLATION_FOUND)
        return TRUE;
    if (result == NOT_INSTALLED) {
        *exitCode = Tell(NOT_INSTALLED_TEXT, MB_ICONINFORMATION, ERROR_UNKNOWN_PRODUCT);
        return FALSE;
    }
    CopyText(g_text, sizeof g_text, "The uninstall entry of Quillmere cannot be read:\n");
    AppendText(g_text, sizeof g_text, entry);
    AppendText(g_text, sizeof g_text, "\nNothing was removed.");
    g_icon = MB_ICONERROR;
    *exitCode = ERROR_INSTALL_FAILURE;
    return FALSE;
}

static BOOL Confirm()
{
    CopyText(g_text, sizeof g_text, "Remove Quillmere from\n");
    AppendText(g_text, sizeof g_text, g_installation.programDir);
    AppendText(g_text, sizeof g_text, "\nand its shortcuts from\n");
    AppendText(g_text, sizeof g_text, g_installation.groupDir);
    AppendText(g_text, sizeof g_text, "?\n\nFiles that Quillmere did not install are kept.");
    BOOL yes = MessageBoxA(NULL, g_text, CAPTION, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
               IDYES;
    g_text[0] = '\0';
    return yes;
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

// The helper's exit code, which it sends once only this program's file and folder are
// left; ERROR_INSTALL_FAILURE when it ends or stalls before it does.
static int AwaitReport(HANDLE helper, HANDLE done, HANDLE reader)
{
    HANDLE waits[] = {done, helper}; // both signalled: the report counts
    DWORD code = 0, read = 0;
    if (WaitForMultipleObjects(2, waits, FALSE, REPORT_WAIT_MS) == WAIT_OBJECT_0 &&
        ReadFile(reader, &code, sizeof code, &read, NULL) && read == sizeof code)
        return (int)code;
    return Tell("The helper of Remove Quillmere stopped before it could finish.\n"
                "Quillmere may be removed only in part.",
                MB_ICONERROR, ERROR_INSTALL_FAILURE);
}

// Copies this program to the temporary folder and starts the copy there, handing it this
// process to wait on, and an event and a pipe for its report. The copy starts suspended
// and runs only once its file is seen to hold this program's bytes.
static int StartHelper(BOOL quiet)
{
    char self[MAX_PATH], folder[MAX_PATH], helper[MAX_PATH], command[COMMAND_CHARS];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof self);
    if (length == 0 || length >= sizeof self)
        return TellError("Remove Quillmere cannot find its own file", GetLastError());
    length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        return TellError("There is no temporary folder to work from", GetLastError());
    FileBytes own;
    DWORD error = ReadWholeFile(self, &own);
    if (error)
        return TellError("Remove Quillmere cannot read its own file", error);
    HANDLE pin = MakeHelperFile(folder, &own, helper);
    if (pin == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        FreeFileBytes(&own);
        return TellError("Remove Quillmere cannot make its helper in the temporary folder",
                         error);
    }
    // Only the handles named on the helper's command line are inherited.
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
    HANDLE selfProcess = NULL, reader = NULL, pipeEnd = NULL, writer = NULL;
    HANDLE done = CreateEventA(&inherited, TRUE, FALSE, NULL);
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    BOOL started =
        done && CreatePipe(&reader, &pipeEnd, NULL, sizeof(DWORD)) &&
        DuplicateHandle(GetCurrentProcess(), pipeEnd, GetCurrentProcess(), &writer, 0, TRUE,
                        DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE) &&
        DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(),
                        &selfProcess, SYNCHRONIZE | PROCESS_QUERY_INFORMATION, TRUE, 0) &&
        wsprintfA(command, "\"%s\" %s" CONTINUE_ARGUMENT " %lu %lu %lu", helper,
                  quiet ? "/S " : "", (unsigned long)(ULONG_PTR)selfProcess,
                  (unsigned long)(ULONG_PTR)done, (unsigned long)(ULONG_PTR)writer) > 0 &&
        CreateProcessA(helper, command, NULL, NULL, TRUE, CREATE_SUSPENDED, NULL, folder,
                       &startup, &process);
    error = GetLastError();
    // The helper holds the pipe's only writer: the pipe breaks if it ends without a word.
    if (writer)
        CloseHandle(writer);
    if (selfProcess)
        CloseHandle(selfProcess);
    BOOL genuine = started && HoldsOwnBytes(pin, &own);
    CloseHandle(pin);
    FreeFileBytes(&own);
    BOOL running = genuine && ResumeThread(process.hThread) != (DWORD)-1;
    if (genuine && !running)
        error = GetLastError();
    int exitCode = ERROR_INSTALL_FAILURE;
    if (running) {
        exitCode = AwaitReport(process.hProcess, done, reader);
    } else if (started) {
        TerminateProcess(process.hProcess, ERROR_INSTALL_FAILURE);
        WaitForSingleObject(process.hProcess, PARENT_WAIT_MS); // then its file can go
    }
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (reader)
        CloseHandle(reader);
    if (done)
        CloseHandle(done);
    if (running)
        return exitCode;
    DeleteFileA(helper);
    if (started && !genuine)
        return Tell("The helper of Remove Quillmere was changed in the temporary folder "
                    "before it could start.\nNothing was removed.",
                    MB_ICONERROR, ERROR_INSTALL_FAILURE);
    return TellError("Remove Quillmere cannot start its helper in the temporary folder", error);
}

// What an ended installation left is put right first: the files it replaced back in
// place, its partly written files gone. Nothing is removed while Quillmere runs: its files
// would stay, the rest would go.
static int Start(BOOL quiet)
{
    int exitCode;
    if (!Find(&exitCode))
        return exitCode;
    RecoverInstallation(g_installation.programDir, NULL);
    if (!quiet && !Confirm())
        return ERROR_INSTALL_USEREXIT;
    while (InstalledFileInUse(&g_installation)) {
        if (quiet)
            return ERROR_SHARING_VIOLATION;
        if (MessageBoxA(NULL, IN_USE_TEXT, CAPTION, MB_RETRYCANCEL | MB_ICONEXCLAMATION) !=
            IDRETRY)
            return ERROR_INSTALL_USEREXIT;
    }
    return StartHelper(quiet);
}

// The helper's own file cannot go while it runs; the system removes it at the next start.
static void ScheduleOwnRemoval()
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof self);
    if (length == 0 || length >= sizeof self)
        NoteLeft(&g_removal, "the helper copy of Remove Quillmere",
                 "its file name is too long to mark it for removal");
    else if (!RemoveAtRestart(self)) {
        char why[400];
        DescribeError(GetLastError(), why, sizeof why);
        CopyText(g_text, sizeof g_text, "cannot be marked for removal at the next restart (");
        AppendText(g_text, sizeof g_text, why);
        AppendText(g_text, sizeof g_text, ")");
        NoteLeft(&g_removal, self, g_text);
    }
}

// The first process ends with exitCode once it has it: the pipe is closed before the
// event is set, so the first process's read never waits.
static void SendReport(HANDLE done, HANDLE pipe, int exitCode)
{
    DWORD code = (DWORD)exitCode, written = 0;
    WriteFile(pipe, &code, sizeof code, &written, NULL);
    CloseHandle(pipe);
    SetEvent(done);
    CloseHandle(done);
}

// The copy's part: remove everything, report, wait for the first process to end, remove
// the first process's file.
static int Continue(const Command *command)
{
    HANDLE parent = command->handles[0], done = command->handles[1],
           pipe = command->handles[2];
    DWORD state = 0;
    if (!GetExitCodeProcess(parent, &state) || state != STILL_ACTIVE || !ResetEvent(done))
        return Tell(CONTINUE_ARGUMENT " is only for Remove Quillmere's own helper.\n"
                                      "Nothing was removed.",
                    MB_ICONERROR, ERROR_INVALID_PARAMETER);
    int exitCode;
    BOOL found = Find(&exitCode);
    if (found) {
        // What could not be put back (the first process's own file, which runs) goes too.
        RecoverInstallation(g_installation.programDir, NULL, TRUE);
        RemoveInstallation(&g_installation, &g_removal);
        exitCode = RemovalExitCode(&g_removal);
    }
    SendReport(done, pipe, exitCode);
    if (found) {
        WaitForSingleObject(parent, PARENT_WAIT_MS);
        FinishRemoval(&g_installation, &g_removal);
        ScheduleOwnRemoval();
        ComposeReport(&g_removal, g_text, sizeof g_text);
        g_icon = g_removal.leftCount ? MB_ICONWARNING : MB_ICONINFORMATION;
    }
    CloseHandle(parent);
    return exitCode;
}

// Whether the word at token is the switch name ("s", "continue"), after "/" or "-", in
// any case.
static BOOL IsSwitch(const char *token, int length, const char *name)
{
    if (length != lstrlenA(name) + 1 || (token[0] != '/' && token[0] != '-'))
        return FALSE;
    for (int i = 1; i < length; ++i) {
        if ((token[i] | 0x20) != name[i - 1])
            return FALSE;
    }
    return TRUE;
}

// A handle's number as /continue carries it; FALSE when the word is not a number.
static BOOL ReadHandle(const char *token, int length, HANDLE *handle)
{
    ULONGLONG value = 0;
    for (int i = 0; i < length; ++i) {
        if (token[i] < '0' || token[i] > '9' || value > 0xFFFFFFFFull / 10)
            return FALSE;
        value = value * 10 + (ULONGLONG)(token[i] - '0');
    }
    *handle = (HANDLE)(ULONG_PTR)value;
    return length > 0 && value <= 0xFFFFFFFFull;
}

// The words of the command line: /S anywhere; /continue with its numbers, as the first
// process passes them. Anything else makes it bad.
static void ReadCommand(const char *line, Command *command)
{
    ZeroMemory(command, sizeof *command);
    int handlesDue = 0;
    for (;;) {
        while (*line == ' ' || *line == '\t')
            ++line;
        if (*line == '\0')
            break;
        const char *token = line;
        while (*line != '\0' && *line != ' ' && *line != '\t')
            ++line;
        int length = (int)(line - token);
        if (handlesDue) {
            if (!ReadHandle(token, length, &command->handles[CONTINUE_HANDLES - handlesDue]))
                command->bad = TRUE;
            --handlesDue;
        } else if (IsSwitch(token, length, QUIET_SWITCH)) {
            command->quiet = TRUE;
        } else if (IsSwitch(token, length, CONTINUE_SWITCH) && !command->helper) {
            command->helper = TRUE;
            handlesDue = CONTINUE_HANDLES;
        } else {
            command->bad = TRUE;
        }
    }
    if (handlesDue)
        command->bad = TRUE;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    RestrictDllSearch(); // the helper runs from the temporary folder
    Command command;
    ReadCommand(commandLine, &command);
    // The helper works in its first process's turn, which ends with that process.
    BOOL alone = command.helper || RunAlone(!command.quiet);
    int exitCode = command.bad ? Tell(USAGE_TEXT, MB_ICONERROR, ERROR_INVALID_PARAMETER)
                   : !alone    ? ERROR_INSTALL_ALREADY_RUNNING
                   : command.helper ? Continue(&command)
                                    : Start(command.quiet);
    StopRunningAlone(); // the removal is done: the next setup may begin
    if (!command.quiet && g_text[0] != '\0')
        MessageBoxA(NULL, g_text, CAPTION, MB_OK | g_icon);
    return exitCode;
}
