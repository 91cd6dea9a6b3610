// Quillmere: a window that shows what the program found in its own folder: its settings,
// its word list, its libraries answering, and every installed file checked. With
// /selftest the same survey runs without a window and sets the exit code.
#include <windows.h>
#include "checks.h"
#include "api.h"
#include "dll_search.h"
#include "manifest.h"
#include "resources.h"
#include "survey.h"
#include "system_folder.h"
#include "text.h"
#include <shlobj.h>

#define CLASS_NAME "QuillmereMain"
#define TITLE "Quillmere"
#define SELFTEST_ARGUMENT "/selftest"
#define SELFTEST_LOG "\\selftest.log"
#define SUMMARY_ID 100
#define SETTING_CHARS 64
#define EXIT_SOUND 0
#define EXIT_FAULTS 1
#define EXIT_BAD_START 2

static char g_folder[MAX_PATH];
static Survey g_survey;
static char g_summary[REPORT_CHARS + 2 * MAX_PATH];
static HWND g_summaryBox;

// The folder this program runs from, without a trailing backslash.
static BOOL FindProgramFolder()
{
    DWORD length = GetModuleFileNameA(NULL, g_folder, sizeof g_folder);
    if (length == 0 || length >= sizeof g_folder)
        return FALSE;
    while (length > 0 && g_folder[length - 1] != '\\')
        --length;
    if (length == 0)
        return FALSE;
    g_folder[length - 1] = '\0';
    return TRUE;
}

// A setting from one of the configuration files beside the program, or fallback.
static void ReadSetting(const char *file, const char *section, const char *key,
                        const char *fallback, char *value, int size)
{
    char path[MAX_PATH + 32];
    FileBytes bytes;
    BOOL found = CopyText(path, sizeof path, g_folder) && AppendText(path, sizeof path, file) &&
                 ReadWholeFile(path, &bytes) == 0;
    if (found) {
        found = IniValue(bytes.data, bytes.size, section, key, value, size);
        FreeFileBytes(&bytes);
    }
    if (!found)
        CopyText(value, size, fallback);
}

static int SettingNumber(const char *section, const char *key, int fallback, int low, int high)
{
    char text[SETTING_CHARS];
    ReadSetting("\\userprefs.cfg", section, key, "", text, sizeof text);
    int value = 0, digits = 0;
    for (; text[digits] >= '0' && text[digits] <= '9' && digits < 6; ++digits)
        value = value * 10 + (text[digits] - '0');
    if (digits == 0 || text[digits] != '\0' || value < low || value > high)
        return fallback;
    return value;
}

// Output for /selftest: the console the program was started from, when there is one.
static void PrintToConsole(const char *text)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE) {
        typedef BOOL(WINAPI * AttachConsoleFunction)(DWORD);
        FARPROC attach = GetProcAddress(GetModuleHandleA("kernel32.dll"), "AttachConsole");
        if (!attach || !ExportAs<AttachConsoleFunction>(attach)(ATTACH_PARENT_PROCESS))
            return;
        out = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                          NULL);
        if (out == INVALID_HANDLE_VALUE)
            return;
    }
    DWORD written;
    WriteFile(out, text, lstrlenA(text), &written, NULL);
}

// The report goes where the user who runs the program can write, which on Windows since
// Vista the programs folder is not: Quillmere's folder in the user's local application
// data. Windows 98 may name no such folder; it has no folders a user cannot write, and the
// report goes beside the program.
static void FindLogPath(char *path, int size)
{
    char folder[MAX_PATH];
    if (SystemFolder(CSIDL_LOCAL_APPDATA, folder)) {
        CopyText(path, size, folder);
        AppendText(path, size, "\\" PRODUCT_FOLDER);
        CreateDirectoryA(path, NULL);
    } else {
        CopyText(path, size, g_folder);
    }
    AppendText(path, size, SELFTEST_LOG);
}

static DWORD WriteLog(const char *path, const char *text)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD written = 0, length = lstrlenA(text);
    DWORD error = WriteFile(file, text, length, &written, NULL) && written == length
                      ? 0
                      : GetLastError();
    CloseHandle(file);
    return error;
}

static int RunSelfTest()
{
    SurveyInstallation(g_folder, &g_survey);
    PrintToConsole(g_survey.report);
    char path[2 * MAX_PATH];
    FindLogPath(path, sizeof path);
    DWORD error = WriteLog(path, g_survey.report);
    if (error) {
        char message[NOTE_CHARS + 64];
        DescribeError(error, message, sizeof message);
        PrintToConsole(path);
        PrintToConsole(" could not be written: ");
        PrintToConsole(message);
        PrintToConsole("\r\n");
    }
    return g_survey.faults ? EXIT_FAULTS : EXIT_SOUND;
}

// The summary the window shows: version, folder, then the survey.
static void ComposeSummary()
{
    char version[SETTING_CHARS], language[SETTING_CHARS];
    ReadSetting("\\qmcore.cfg", "Quillmere", "Version", "(version unknown)", version,
                sizeof version);
    ReadSetting("\\qmcore.cfg", "Quillmere", "Language", "(language unknown)", language,
                sizeof language);
    SurveyInstallation(g_folder, &g_survey);
    CopyText(g_summary, sizeof g_summary, "Quillmere ");
    AppendText(g_summary, sizeof g_summary, version);
    AppendText(g_summary, sizeof g_summary, ", ");
    AppendText(g_summary, sizeof g_summary, language);
    AppendText(g_summary, sizeof g_summary, "\r\nInstalled in ");
    AppendText(g_summary, sizeof g_summary, g_folder);
    AppendText(g_summary, sizeof g_summary, "\r\n\r\n");
    AppendText(g_summary, sizeof g_summary, g_survey.report);
}

static LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        g_summaryBox = CreateWindowExA(
            WS_EX_CLIENTEDGE, "EDIT", g_summary,
            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 0,
            0, 0, 0, window, (HMENU)(INT_PTR)SUMMARY_ID,
            ((LPCREATESTRUCTA)lParam)->hInstance, NULL);
        if (!g_summaryBox)
            return -1;
        SendMessageA(g_summaryBox, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
        return 0;
    case WM_SIZE:
        MoveWindow(g_summaryBox, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(g_summaryBox);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(EXIT_SOUND);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The window where userprefs.cfg last left it, kept on the screen.
static int RunWindow(HINSTANCE instance, int show)
{
    ComposeSummary();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILL));
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = CLASS_NAME;
    if (!RegisterClassA(&windowClass))
        return EXIT_BAD_START;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    int width = SettingNumber("Window", "Width", 640, 200, screenWidth);
    int height = SettingNumber("Window", "Height", 480, 150, screenHeight);
    int left = SettingNumber("Window", "Left", 0, 0, screenWidth - width);
    int top = SettingNumber("Window", "Top", 0, 0, screenHeight - height);
    HWND window = CreateWindowA(CLASS_NAME, TITLE, WS_OVERLAPPEDWINDOW, left, top, width, height,
                                NULL, NULL, instance, NULL);
    if (!window)
        return EXIT_BAD_START;
    if (SettingNumber("Window", "Maximized", 0, 0, 1))
        show = SW_SHOWMAXIMIZED;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show)
{
    RestrictDllSearch(); // the six libraries are loaded by their full paths
    // A damaged library is reported in the survey, not by a system dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (!FindProgramFolder()) {
        MessageBoxA(NULL, "Quillmere cannot find the folder it was started from.", TITLE,
                    MB_OK | MB_ICONERROR);
        return EXIT_BAD_START;
    }
    while (*commandLine == ' ' || *commandLine == '\t')
        ++commandLine;
    if (lstrcmpiA(commandLine, SELFTEST_ARGUMENT) == 0)
        return RunSelfTest();
    if (*commandLine) {
        MessageBoxA(NULL, "Quillmere takes no arguments but " SELFTEST_ARGUMENT ".", TITLE,
                    MB_OK | MB_ICONERROR);
        return EXIT_BAD_START;
    }
    return RunWindow(instance, show);
}
