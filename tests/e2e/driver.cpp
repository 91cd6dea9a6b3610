#include "driver.h"
#include <stdlib.h>
#include <string.h>
#include <shlobj.h>
#include <tlhelp32.h>

DWORD g_waitMs = 15000;
std::string g_setupPath;
std::string g_extraArgument;
static PROCESS_INFORMATION g_setup;
// The registry as the program under test sees it: a 32-bit program on 64-bit Windows
// has its own view of parts of HKEY_LOCAL_MACHINE.
static REGSAM g_registryView;

struct Scenario {
    const char *name;
    ScenarioBody body;
};
static Scenario g_scenarios[64];
static int g_scenarioCount;

ScenarioEntry::ScenarioEntry(const char *name, ScenarioBody body)
{
    if (g_scenarioCount < 64)
        g_scenarios[g_scenarioCount++] = {name, body};
}

// Lets go of the program under test without ending it.
static void ForgetProgram()
{
    if (g_setup.hProcess)
        CloseHandle(g_setup.hProcess);
    if (g_setup.hThread)
        CloseHandle(g_setup.hThread);
    ZeroMemory(&g_setup, sizeof g_setup);
}

bool StartProgram(const std::string &path, const std::string &arguments, const char *currentDir)
{
    ForgetProgram();
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    std::string command = "\"" + path + "\"" + (arguments.empty() ? "" : " " + arguments);
    if (!CreateProcessA(path.c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, currentDir,
                        &startup, &g_setup)) {
        ok(false, "could not start %s in %s (error %lu)", path.c_str(), currentDir,
           GetLastError());
        return false;
    }
    return true;
}

bool StartSetup(const char *currentDir)
{
    if (!StartProgram(g_setupPath, "", currentDir))
        return false;
    BOOL emulated32 = FALSE;
    IsWow64Process(g_setup.hProcess, &emulated32);
    g_registryView = emulated32 ? KEY_WOW64_32KEY : 0;
    return true;
}

// The child is found by its parent's id, which stays recorded after the parent ends.
bool FollowChildProcess(DWORD ms)
{
    DWORD parent = g_setup.dwProcessId, child = 0, start = GetTickCount();
    while (!child && GetTickCount() - start < ms) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry;
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more && !child;
             more = Process32Next(snapshot, &entry)) {
            if (entry.th32ParentProcessID == parent)
                child = entry.th32ProcessID;
        }
        CloseHandle(snapshot);
        if (!child)
            Sleep(100);
    }
    HANDLE process = child ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE |
                                             PROCESS_QUERY_LIMITED_INFORMATION,
                                         FALSE, child)
                           : NULL;
    if (!process)
        return false;
    ForgetProgram();
    g_setup.hProcess = process;
    g_setup.dwProcessId = child;
    return true;
}

std::string ProgramImagePath()
{
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    if (!g_setup.hProcess || !QueryFullProcessImageNameA(g_setup.hProcess, 0, path, &size))
        return "";
    return path;
}

void WaitAtLeast(DWORD ms)
{
    if (g_waitMs < ms)
        g_waitMs = ms;
}

DWORD SetupProcessId()
{
    return g_setup.dwProcessId;
}

DWORD WaitSetupExit(DWORD ms)
{
    if (!g_setup.hProcess)
        return STILL_ACTIVE;
    WaitForSingleObject(g_setup.hProcess, ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(g_setup.hProcess, &code);
    return code;
}

void KillSetup()
{
    if (!g_setup.hProcess)
        return;
    if (WaitSetupExit(0) == STILL_ACTIVE) {
        TerminateProcess(g_setup.hProcess, 99);
        WaitForSingleObject(g_setup.hProcess, WAIT_MS);
    }
    ForgetProgram();
}

struct Search {
    WindowTest test;
    void *context;
    HWND found;
};

static BOOL CALLBACK VisitWindow(HWND window, LPARAM lParam)
{
    Search *search = (Search *)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != g_setup.dwProcessId || !IsWindowVisible(window))
        return TRUE;
    if (search->test(window, search->context)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(WindowTest test, void *context, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        Search search = {test, context, NULL};
        EnumWindows(VisitWindow, (LPARAM)&search);
        if (search.found)
            return search.found;
        if (GetTickCount() - start >= ms || WaitSetupExit(0) != STILL_ACTIVE)
            return NULL;
        Sleep(20);
    }
}

std::string ClassName(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string WindowText(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, WAIT_MS, &length))
        return "";
    // Room to spare: the text may change between the two messages.
    std::string text(length + 1024, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), (LPARAM)&text[0], SMTO_ABORTIFHUNG,
                        WAIT_MS, &copied);
    text.resize(copied);
    return text;
}

std::string ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? WindowText(control) : "";
}

static bool IsMainWindow(HWND window, void *)
{
    return ClassName(window) == "SETUP";
}

HWND WaitMainWindow()
{
    return WaitForWindow(IsMainWindow, NULL);
}

struct ControlWanted {
    int id;
    const char *text;
};

static bool HasControl(HWND window, void *context)
{
    ControlWanted *wanted = (ControlWanted *)context;
    HWND control = GetDlgItem(window, wanted->id);
    return ClassName(window) == "#32770" && control && WindowText(control) == wanted->text;
}

HWND WaitDialogWithControl(int id, const char *text, DWORD ms)
{
    ControlWanted wanted = {id, text};
    return WaitForWindow(HasControl, &wanted, ms);
}

static bool IsMessageBoxOf(HWND window, void *owner)
{
    if (ClassName(window) != "#32770" || !GetDlgItem(window, 0xFFFF))
        return false;
    return !owner || GetWindow(window, GW_OWNER) == (HWND)owner;
}

HWND WaitMessageBox(HWND owner, DWORD ms)
{
    return WaitForWindow(IsMessageBoxOf, owner, ms);
}

bool NoMessageBoxFor(DWORD ms)
{
    return WaitMessageBox(NULL, ms) == NULL;
}

bool WaitWindowGone(HWND window, DWORD ms)
{
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(20);
    }
    return true;
}

void PressButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    ok(button && IsWindowEnabled(button), "button %d is there and enabled", id);
    if (button)
        PostMessageA(button, BM_CLICK, 0, 0);
}

bool AnswerMessageBox(HWND owner, const char *text, const char *caption, int button, int line)
{
    HWND box = WaitMessageBox(owner);
    ok_at(__FILE__, line, box != NULL, "expected a message box \"%s\"", text);
    if (!box)
        return false;
    std::string shown = ControlText(box, 0xFFFF);
    std::string title = WindowText(box);
    ok_at(__FILE__, line, shown == text, "message: expected \"%s\", got \"%s\"", text,
          shown.c_str());
    if (caption)
        ok_at(__FILE__, line, title == caption, "caption: expected \"%s\", got \"%s\"", caption,
              title.c_str());
    PressButton(box, button);
    WaitWindowGone(box);
    return true;
}

void Settle(HWND window)
{
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, WAIT_MS, &result);
    Sleep(50);
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, WAIT_MS, &result);
}

Screenshot CaptureScreen()
{
    Screenshot shot;
    shot.width = GetSystemMetrics(SM_CXSCREEN);
    shot.height = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    shot.pixels = new DWORD[shot.width * shot.height];
    memcpy(shot.pixels, bits, shot.width * shot.height * 4);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return shot;
}

void FreeScreenshot(Screenshot *shot)
{
    delete[] shot->pixels;
    shot->pixels = NULL;
}

DWORD ScreenPixel(const Screenshot *shot, int x, int y)
{
    if (x < 0 || y < 0 || x >= shot->width || y >= shot->height)
        return 0xFFFFFFFF;
    return shot->pixels[y * shot->width + x] & 0xFFFFFF;
}

bool SaveScreenshotBmp(const Screenshot *shot, const char *path)
{
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER header;
    DWORD imageSize = shot->width * shot->height * 4;
    ZeroMemory(&file, sizeof file);
    ZeroMemory(&header, sizeof header);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + imageSize;
    header.biSize = sizeof header;
    header.biWidth = shot->width;
    header.biHeight = -shot->height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biSizeImage = imageSize;
    HANDLE out = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written;
    bool done = WriteFile(out, &file, sizeof file, &written, NULL) &&
                WriteFile(out, &header, sizeof header, &written, NULL) &&
                WriteFile(out, shot->pixels, imageSize, &written, NULL) && written == imageSize;
    CloseHandle(out);
    return done;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        printf("usage: driver SCENARIO SETUP_EXE\n");
        return 2;
    }
    const char *wait = getenv("QM_WAIT_MS");
    if (wait && atoi(wait) > 0)
        g_waitMs = atoi(wait);
    g_setupPath = argv[2];
    if (argc > 3)
        g_extraArgument = argv[3];
    for (int i = 0; i < g_scenarioCount; ++i) {
        if (strcmp(g_scenarios[i].name, argv[1]) == 0) {
            g_scenarios[i].body();
            KillSetup();
            return check_summary();
        }
    }
    printf("no scenario %s\n", argv[1]);
    return 2;
}

static bool ReadWholeFile(const char *path, std::string *contents)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, NULL), got = 0;
    contents->assign(size, '\0');
    bool done = size == 0 || (ReadFile(file, &(*contents)[0], size, &got, NULL) && got == size);
    CloseHandle(file);
    return done;
}

std::string FileContents(const char *path)
{
    std::string contents;
    return ReadWholeFile(path, &contents) ? contents : "";
}

bool SameFileContents(const char *a, const char *b)
{
    std::string first, second;
    return ReadWholeFile(a, &first) && ReadWholeFile(b, &second) && first == second;
}

bool FileExists(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string MachineString(const char *key, const char *name)
{
    char value[4096];
    DWORD size = sizeof value, type = 0;
    HKEY opened;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | g_registryView, &opened) !=
        ERROR_SUCCESS)
        return "<missing>";
    LONG result = RegQueryValueExA(opened, name, NULL, &type, (BYTE *)value, &size);
    RegCloseKey(opened);
    if (result != ERROR_SUCCESS || type != REG_SZ || size == 0)
        return "<missing>";
    value[size - 1] = '\0';
    return value;
}

bool MachineKeyExists(const char *key)
{
    HKEY opened;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | g_registryView, &opened) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

bool MachineKeyInEitherView(const char *key)
{
    static const REGSAM views[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    for (REGSAM view : views) {
        HKEY opened;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, &opened) ==
            ERROR_SUCCESS) {
            RegCloseKey(opened);
            return true;
        }
    }
    return false;
}

bool ReadShortcut(const char *linkFile, std::string *target, std::string *description)
{
    CoInitialize(NULL);
    IShellLinkA *link = NULL;
    IPersistFile *file = NULL;
    bool read = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void **)&link)) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file))) {
        WCHAR wide[MAX_PATH];
        char text[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, linkFile, -1, wide, MAX_PATH);
        if (SUCCEEDED(file->Load(wide, STGM_READ))) {
            link->GetPath(text, MAX_PATH, NULL, 0);
            *target = text;
            link->GetDescription(text, MAX_PATH);
            *description = text;
            read = true;
        }
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    CoUninitialize();
    return read;
}

// The installation as a person makes it ---------------------------------------------------

const PayloadRow g_rows[PAYLOAD_ROWS] = {
    {"qmcore.cf_", "\\qmcore.cfg"},       {"userpr~1.cf_", "\\userprefs.cfg"},
    {"fastio.dl_", "\\fastio.dll"},       {"deflt.dl_", "\\deflt.dll"},
    {"expand32.dl_", "\\expand32.dll"},   {"bundle32.dl_", "\\bundle32.dll"},
    {"quillm~1.ex_", "\\quillmere.exe"},  {"qmguide.hl_", "\\qmguide.hlp"},
    {"qmkeys.kb_", "\\qmkeys.kbm"},       {"notes.wr_", "\\notes.wri"},
    {"remove~1.ex_", "\\removequill.exe"}, {"netxfer.dl_", "\\netxfer.dll"},
    {"oldarc.dl_", "\\oldarc.dll"},       {"GENERAL.DA__", "\\lists\\GENERAL.DAT"},
};

std::string Installed(int row)
{
    return std::string(INSTALL_DIR) + g_rows[row].destination;
}

std::string TemporaryFolder()
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

void MakeStartMenu()
{
    CreateDirectoryA(START_MENU, NULL);
    CreateDirectoryA(PROGRAMS, NULL);
}

void AcceptLicence()
{
    HWND page = WaitDialogWithControl(IDOK, "I Agree");
    ok(page != NULL, "the licence page appears");
    if (page)
        PressButton(page, IDOK);
}

HWND NextOnDirPage()
{
    HWND page = WaitDialogWithControl(IDOK, "Next");
    ok(page != NULL, "the directory page appears");
    if (!page)
        return NULL;
    ok(ControlText(page, IDC_PATH) == INSTALL_DIR, "directory box: %s",
       ControlText(page, IDC_PATH).c_str());
    PressButton(page, IDOK);
    return page;
}

HWND WaitCopyPage()
{
    return WaitDialogWithControl(IDC_COPY_PROGRESS, "");
}

void InstallToFinish(void (*onCopyPage)(HWND copyPage))
{
    AcceptLicence();
    NextOnDirPage();
    HWND copyPage = WaitCopyPage();
    ok(copyPage != NULL, "the copy page appears");
    if (copyPage && onCopyPage)
        onCopyPage(copyPage);
    HWND page = WaitDialogWithControl(IDOK, "Finnish");
    ok(page != NULL, "the shortcut page appears");
    if (!page)
        return;
    ok(ControlText(page, IDC_PATH) == PROGRAM_GROUP, "shortcut box: %s",
       ControlText(page, IDC_PATH).c_str());
    PressButton(page, IDOK);
}

void CheckFolderOpened()
{
    DWORD start = GetTickCount();
    HWND shell = NULL;
    while (!shell && GetTickCount() - start < WAIT_MS) {
        shell = FindWindowA("ExplorerWClass", NULL);
        if (!shell)
            shell = FindWindowA("CabinetWClass", NULL);
        Sleep(50);
    }
    ok(shell != NULL, "a shell window shows the program group");
    if (!shell)
        return;
    DWORD pid = 0;
    GetWindowThreadProcessId(shell, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(shell, WM_CLOSE, 0, 0);
    ok(process && WaitForSingleObject(process, WAIT_MS) == WAIT_OBJECT_0,
       "the shell window's process ends when it is closed");
    if (process)
        CloseHandle(process);
}

void ExpectSuccess()
{
    HWND main = WaitMainWindow();
    ANSWER(main, "Quillmere was successfully installed", "Setup", IDOK);
    DWORD code = WaitSetupExit();
    ok(code == 0, "exit code 0, got %lu", code);
}

void CheckInstalledFiles()
{
    std::string payload = g_extraArgument;
    int wrong = 0, leftovers = 0;
    for (int row = 0; row < PAYLOAD_ROWS; ++row) {
        if (!SameFileContents(Installed(row).c_str(), (payload + g_rows[row].destination).c_str())) {
            ++wrong;
            ok(false, "%s is not the built file", Installed(row).c_str());
        }
        leftovers += FileExists((TemporaryFolder() + g_rows[row].temporary).c_str());
    }
    ok(wrong == 0, "all fourteen files installed byte for byte");
    ok(leftovers == 0, "no temporary file is left, %d found", leftovers);
}

void CheckShortcuts(const char *folder)
{
    static const char *const links[3][3] = {
        {"\\Quillmere.lnk", "\\quillmere.exe", "Quillmere"},
        {"\\Uninstall.lnk", "\\removequill.exe", "Uninstall"},
        {"\\Readme.lnk", "\\notes.wri", "Readme"},
    };
    for (int i = 0; i < 3; ++i) {
        std::string target, description;
        std::string link = std::string(folder) + links[i][0];
        bool read = ReadShortcut(link.c_str(), &target, &description);
        ok(read && lstrcmpiA(target.c_str(), (std::string(INSTALL_DIR) + links[i][1]).c_str()) == 0 &&
               description == links[i][2],
           "%s: target \"%s\", description \"%s\"", link.c_str(), target.c_str(),
           description.c_str());
    }
}

void CheckRegistry(const char *uninstallKey)
{
    ok(MachineString(uninstallKey, "DisplayName") == "Quillmere", "DisplayName under %s",
       uninstallKey);
    ok(MachineString(uninstallKey, "UninstallString") == INSTALL_DIR "\\removequill.exe",
       "UninstallString: %s", MachineString(uninstallKey, "UninstallString").c_str());
    ok(MachineString(uninstallKey, "Scdir") == PROGRAM_GROUP, "Scdir: %s",
       MachineString(uninstallKey, "Scdir").c_str());
    ok(MachineString(uninstallKey, "Progdir") == INSTALL_DIR, "Progdir: %s",
       MachineString(uninstallKey, "Progdir").c_str());
    ok(MachineString(APP_PATH, "") == INSTALL_DIR "\\Quillmere", "App Paths default: %s",
       MachineString(APP_PATH, "").c_str());
    ok(MachineString(APP_PATH, "Path") == INSTALL_DIR, "App Paths Path: %s",
       MachineString(APP_PATH, "Path").c_str());
}
