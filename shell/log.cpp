#include "shell.h"

// Each line goes to the file as it is made, so that whatever ends the run leaves what
// happened so far.
static HANDLE g_log;
static BOOL g_exitCodeSet;
static int g_exitCode;

BOOL OpenLog(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    g_log = file;
    return TRUE;
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
