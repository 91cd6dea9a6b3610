#include "shell.h"
#include "../shared/dll_search.h"

typedef DWORD(WINAPI *FinalPathFunction)(HANDLE, LPSTR, DWORD, DWORD);
typedef DWORD(WINAPI *LongPathFunction)(LPCSTR, LPSTR, DWORD);
typedef BOOL(WINAPI *FileInformationFunction)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
typedef HANDLE(WINAPI *ReopenFunction)(HANDLE, DWORD, DWORD, DWORD);

// Each line goes to the file as it is made, so that whatever ends the run leaves what
// happened so far.
static HANDLE g_log;
static BOOL g_exitCodeSet;
static int g_exitCode;
static char g_namedPath[PATH_CHARS];
static char g_openedPath[PATH_CHARS];

// Newer than Windows 98 or NT 4: looked up.
static FARPROC KernelFunction(const char *name)
{
    return GetProcAddress(GetModuleHandleA("kernel32.dll"), name);
}

// Whether the opened file is the one its name leads to without a link on the way, where
// the system can tell (Vista on): the full name, in long names, is the file's final path
// in any case, less its "\\?\" ("\\?\UNC\" for a share).
static BOOL ReachedByName(HANDLE file, const char *path)
{
    FinalPathFunction finalPath =
        ExportAs<FinalPathFunction>(KernelFunction("GetFinalPathNameByHandleA"));
    LongPathFunction longPath = ExportAs<LongPathFunction>(KernelFunction("GetLongPathNameA"));
    if (!finalPath)
        return TRUE;
    DWORD named = GetFullPathNameA(path, PATH_CHARS, g_namedPath, NULL);
    if (named && named < PATH_CHARS && longPath)
        named = longPath(g_namedPath, g_namedPath, PATH_CHARS);
    DWORD opened =
        finalPath(file, g_openedPath, PATH_CHARS, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (!named || named >= PATH_CHARS || opened < 8 || opened >= PATH_CHARS)
        return FALSE;
    char *name = g_openedPath + 4;
    if (name[0] == 'U' && name[1] == 'N' && name[2] == 'C' && name[3] == '\\') {
        name += 2; // "\\server\share\..."
        name[0] = '\\';
    }
    return lstrcmpiA(name, g_namedPath) == 0;
}

// The log is opened with administrator rights in a folder a user may own: it is written
// only where its name leads without a link. Opened without truncating, so that a refused
// file is left as it was: a name that is a link or another reparse point, a file that has
// another name too (a hard link), or one reached through a link on the way. A file made
// here and refused goes again, through a second handle to it: the one kept may not hold
// the right to delete, which every reader of the log would then have to share.
BOOL OpenLog(const char *path)
{
    BOOL nt = OnWindowsNT(); // Windows 9x has no links, nor these flags
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | (nt ? FILE_SHARE_DELETE : 0),
                              NULL, OPEN_ALWAYS, nt ? FILE_FLAG_OPEN_REPARSE_POINT : 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL made = GetLastError() != ERROR_ALREADY_EXISTS;
    BY_HANDLE_FILE_INFORMATION about;
    if (GetFileInformationByHandle(file, &about) && about.nNumberOfLinks == 1 &&
        !(about.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && ReachedByName(file, path)) {
        SetEndOfFile(file);
        g_log = file;
        return TRUE;
    }
    ReopenFunction reopen = ExportAs<ReopenFunction>(KernelFunction("ReOpenFile"));
    FileInformationFunction setInformation =
        ExportAs<FileInformationFunction>(KernelFunction("SetFileInformationByHandle"));
    HANDLE again =
        made && reopen
            ? reopen(file, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0)
            : INVALID_HANDLE_VALUE;
    FILE_DISPOSITION_INFO gone = {TRUE};
    if (again != INVALID_HANDLE_VALUE) {
        setInformation(again, FileDispositionInfo, &gone, sizeof gone);
        CloseHandle(again);
    }
    CloseHandle(file);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

void Log(const char *text)
{
    DWORD written;
    if (g_log)
        WriteFile(g_log, text, lstrlenA(text), &written, NULL);
}

void LogLine(const char *label, const char *text)
{
    Log(label);
    Log(text);
    Log("\r\n");
}

void LogNumber(const char *label, DWORD number)
{
    char digits[12];
    wsprintfA(digits, "%lu", number);
    LogLine(label, digits);
}

void LogFailure(const char *what, DWORD error)
{
    char why[256];
    DescribeError(error, why, sizeof why);
    Log("Failed: ");
    Log(what);
    Log(" (");
    Log(why);
    LogLine(")", "");
}

void Report(HWND owner, const char *text, const char *caption, UINT type)
{
    LogLine("Message: ", text);
    if (g_switches.level == UI_FULL)
        MessageBoxA(owner, text, caption, type);
}

void ReportError(const char *text, const char *name, DWORD error)
{
    static char message[PATH_CHARS + 300];
    char why[256];
    DescribeError(error, why, sizeof why);
    CopyText(message, sizeof message, text);
    AppendText(message, sizeof message, name);
    AppendText(message, sizeof message, "\n");
    AppendText(message, sizeof message, why);
    Report(g_hMainWnd, message, "Setup", MB_OK | MB_ICONERROR);
}

void SetExitCode(int exitCode)
{
    if (!g_exitCodeSet)
        g_exitCode = exitCode;
    g_exitCodeSet = TRUE;
}

int ExitCode()
{
    return g_exitCodeSet ? g_exitCode : ERROR_INSTALL_USEREXIT;
}

// The exit codes are the system's own error numbers: its text tells the outcome.
void EndSetup()
{
    char outcome[256];
    DescribeError((DWORD)ExitCode(), outcome, sizeof outcome);
    LogLine("Exit code ", outcome + sizeof "error");
    ExitProcess((UINT)ExitCode());
}
