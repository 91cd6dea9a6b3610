#include "driver.h"
#include <commctrl.h>
#include <oleacc.h>
#include <shlobj.h>
#include <stdlib.h>
#include <string.h>
#include <tlhelp32.h>
#include <algorithm>

DWORD g_waitMs = 15000;
std::string g_setupPath;
std::string g_extraArgument;
std::string g_laterBuild;
static std::string g_testedSetup, g_testedPayload; // the build under test
static PROCESS_INFORMATION g_setup;
static std::vector<std::string> g_temporaryEntriesAtStart;

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

bool StartProgram(const std::string &path, const std::string &arguments, const char *currentDir,
                  bool unquoted)
{
    ForgetProgram();
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    std::string quote = unquoted ? "" : "\"";
    std::string command = quote + path + quote + (arguments.empty() ? "" : " " + arguments);
    if (!CreateProcessA(path.c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, currentDir,
                        &startup, &g_setup)) {
        ok(false, "could not start %s in %s (error %lu)", path.c_str(), currentDir,
           GetLastError());
        return false;
    }
    return true;
}

bool StartSetup(const char *currentDir, const std::string &arguments, bool unquoted)
{
    g_temporaryEntriesAtStart = TemporaryFolderEntries();
    return StartProgram(g_setupPath, arguments, currentDir, unquoted);
}

std::string ProgramOutput(const std::string &path, const std::string &arguments)
{
    const char *const outputFile = "C:\\program-output.txt";
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
    HANDLE output = CreateFileA(outputFile, GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                CREATE_ALWAYS, 0, NULL);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    PROCESS_INFORMATION process;
    std::string command = "\"" + path + "\" " + arguments;
    bool ran = output != INVALID_HANDLE_VALUE &&
               CreateProcessA(path.c_str(), &command[0], NULL, NULL, TRUE, 0, NULL, "C:\\",
                              &startup, &process);
    DWORD error = GetLastError();
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    ok(ran, "%s %s runs (error %lu)", path.c_str(), arguments.c_str(), error);
    if (!ran)
        return "";
    ok(WaitForSingleObject(process.hProcess, WAIT_MS) == WAIT_OBJECT_0, "%s %s ends",
       path.c_str(), arguments.c_str());
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string text = FileContents(outputFile);
    DeleteFileA(outputFile);
    return text;
}

std::string SystemProgram(const char *name)
{
    char folder[MAX_PATH] = "";
    GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\" + name;
}

// Whether the process descends from ancestor, through a few generations of the snapshot.
static bool Descends(const std::vector<PROCESSENTRY32> &processes, DWORD pid, DWORD ancestor)
{
    for (int generation = 0; generation < 8 && pid; ++generation) {
        DWORD parent = 0;
        for (const PROCESSENTRY32 &process : processes)
            parent = process.th32ProcessID == pid ? process.th32ParentProcessID : parent;
        if (parent == ancestor)
            return true;
        pid = parent;
    }
    return false;
}

static std::vector<PROCESSENTRY32> RunningProcesses()
{
    std::vector<PROCESSENTRY32> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry))
        processes.push_back(entry);
    CloseHandle(snapshot);
    return processes;
}

// Parents are found by their ids, which stay recorded after the parents end.
bool FollowChildProcess(const char *fileName, DWORD ms)
{
    DWORD child = 0, start = GetTickCount();
    while (!child && GetTickCount() - start < ms) {
        std::vector<PROCESSENTRY32> processes = RunningProcesses();
        for (const PROCESSENTRY32 &process : processes) {
            if ((!fileName || lstrcmpiA(process.szExeFile, fileName) == 0) &&
                Descends(processes, process.th32ProcessID, g_setup.dwProcessId)) {
                child = process.th32ProcessID;
                break;
            }
        }
        if (!child)
            Sleep(100);
    }
    return child && FollowProcess(child);
}

bool FollowProcess(DWORD id)
{
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE |
                                     PROCESS_QUERY_LIMITED_INFORMATION,
                                 FALSE, id);
    if (!process)
        return false;
    ForgetProgram();
    g_setup.hProcess = process;
    g_setup.dwProcessId = id;
    return true;
}

struct Sighting {
    std::vector<PROCESSENTRY32> processes;
    std::string title; // of the first window seen
};

static BOOL CALLBACK SpotWindow(HWND window, LPARAM lParam)
{
    Sighting *sighting = (Sighting *)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (!IsWindowVisible(window) ||
        (pid != g_setup.dwProcessId && !Descends(sighting->processes, pid, g_setup.dwProcessId)))
        return TRUE;
    sighting->title = "\"" + WindowText(window) + "\" (" + ClassName(window) + ")";
    return FALSE;
}

bool ProgramTreeEnded()
{
    if (WaitSetupExit(0) == STILL_ACTIVE)
        return false;
    std::vector<PROCESSENTRY32> processes = RunningProcesses();
    for (const PROCESSENTRY32 &process : processes) {
        if (Descends(processes, process.th32ProcessID, g_setup.dwProcessId))
            return false;
    }
    return true;
}

bool WatchUnseen(bool (*until)(), std::string *shown, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        bool reached = until(); // and no window then either
        Sighting sighting = {RunningProcesses(), ""};
        EnumWindows(SpotWindow, (LPARAM)&sighting);
        if (!sighting.title.empty()) {
            *shown = sighting.title;
            return false;
        }
        if (reached || GetTickCount() - start >= ms)
            return reached;
        Sleep(20);
    }
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
        if (GetTickCount() - start >= ms)
            return NULL;
        // A program that ended early says why in its exit code.
        DWORD code = WaitSetupExit(0);
        if (code != STILL_ACTIVE) {
            printf("(the program under test ended with exit code %lu)\n", code);
            return NULL;
        }
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

std::string AccessibleName(HWND control)
{
    IAccessible *object = NULL;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = NULL;
    std::string name;
    if (SUCCEEDED(AccessibleObjectFromWindow(control, OBJID_CLIENT, IID_IAccessible,
                                             (void **)&object)) &&
        object->get_accName(self, &text) == S_OK)
        for (const WCHAR *c = text; c && *c; ++c)
            name += (char)*c; // the names here are plain ASCII
    SysFreeString(text);
    if (object)
        object->Release();
    return name;
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

bool AnswerMessageBox(HWND owner, const char *text, const char *caption, int button,
                      const char *file, int line)
{
    HWND box = WaitMessageBox(owner);
    ok_at(file, line, box != NULL, "expected a message box \"%s\"", text);
    if (!box)
        return false;
    std::string shown = ControlText(box, 0xFFFF);
    std::string title = WindowText(box);
    ok_at(file, line, shown == text, "message: expected \"%s\", got \"%s\"", text,
          shown.c_str());
    if (caption)
        ok_at(file, line, title == caption, "caption: expected \"%s\", got \"%s\"", caption,
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

HWND Appeared(HWND window, const char *what)
{
    ok(window != NULL, "%s appears", what);
    if (window)
        Settle(window);
    return window;
}

static bool HasTitle(HWND window, void *title)
{
    return ClassName(window) == "#32770" && WindowText(window) == (const char *)title;
}

HWND WaitDialogTitled(const char *title, DWORD ms)
{
    return WaitForWindow(HasTitle, (void *)title, ms);
}

bool WaitControlText(HWND dialog, int id, const std::string &text, DWORD ms)
{
    DWORD start = GetTickCount();
    while (ControlText(dialog, id) != text) {
        if (GetTickCount() - start >= ms || WaitSetupExit(0) != STILL_ACTIVE)
            return false;
        Sleep(20);
    }
    return true;
}

HWND FocusedControl(HWND dialog)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info) || !info.hwndFocus)
        return NULL;
    return IsChild(dialog, info.hwndFocus) ? info.hwndFocus : NULL;
}

// Key down and up as the keyboard queues them: repeat count 1, scan code, and on the
// release the previous-state and transition bits.
static void PostKey(HWND window, UINT key)
{
    LPARAM scan = (LPARAM)MapVirtualKeyA(key, MAPVK_VK_TO_VSC) << 16;
    PostMessageA(window, WM_KEYDOWN, key, 1 | scan);
    PostMessageA(window, WM_KEYUP, key, 1 | scan | (LPARAM)3 << 30);
}

void PressKey(HWND dialog, UINT key)
{
    HWND focus = FocusedControl(dialog);
    PostKey(focus ? focus : dialog, key);
}

// Posts a key to window and waits until read() gives something else; false if it did not.
template <typename Read> static bool KeyChanges(HWND window, UINT key, Read read)
{
    auto before = read();
    PostKey(window, key);
    DWORD start = GetTickCount();
    while (read() == before) {
        if (GetTickCount() - start >= WAIT_MS || WaitSetupExit(0) != STILL_ACTIVE)
            return false;
        Sleep(20);
    }
    return true;
}

bool TabTo(HWND dialog, HWND control)
{
    auto focused = [dialog] { return FocusedControl(dialog); };
    HWND start = focused(), focus = start;
    while (focus != control) {
        if (!KeyChanges(focus ? focus : dialog, VK_TAB, focused))
            return false;
        focus = focused();
        if (focus == start)
            return false;
    }
    return true;
}

bool SetEditText(HWND edit, const char *text)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(edit, WM_SETTEXT, 0, (LPARAM)text, SMTO_ABORTIFHUNG, WAIT_MS,
                               &result) &&
           result;
}

RemoteMemory::RemoteMemory(SIZE_T bytes) : base(NULL), size(bytes)
{
    base = (BYTE *)VirtualAllocEx(g_setup.hProcess, NULL, bytes, MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
    if (!base)
        ok(false, "no memory in the program (error %lu)", GetLastError());
}

RemoteMemory::~RemoteMemory()
{
    if (base)
        VirtualFreeEx(g_setup.hProcess, base, 0, MEM_RELEASE);
}

bool RemoteMemory::Write(SIZE_T offset, const void *data, SIZE_T bytes)
{
    SIZE_T done = 0;
    return base && offset + bytes <= size &&
           WriteProcessMemory(g_setup.hProcess, base + offset, data, bytes, &done) &&
           done == bytes;
}

bool RemoteMemory::Read(SIZE_T offset, void *data, SIZE_T bytes)
{
    SIZE_T done = 0;
    return base && offset + bytes <= size &&
           ReadProcessMemory(g_setup.hProcess, base + offset, data, bytes, &done) &&
           done == bytes;
}

LPARAM RemoteMemory::At(SIZE_T offset) const
{
    return base ? (LPARAM)(base + offset) : 0;
}

static LRESULT SendWaiting(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, WAIT_MS,
                             &result))
        return -1;
    return (LRESULT)result;
}

// The driver and every program it drives are 32-bit: the item has the same layout there.
std::string ListItemText(HWND list, int index)
{
    enum { TEXT_AT = 256, TEXT_CHARS = 1024 };
    RemoteMemory memory(TEXT_AT + TEXT_CHARS);
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = (char *)memory.At(TEXT_AT);
    item.cchTextMax = TEXT_CHARS;
    if (!item.pszText || !memory.Write(0, &item, sizeof item))
        return "";
    LRESULT length = SendWaiting(list, LVM_GETITEMTEXTA, index, memory.At(0));
    char text[TEXT_CHARS];
    if (length <= 0 || length >= TEXT_CHARS || !memory.Read(TEXT_AT, text, length))
        return "";
    return std::string(text, length);
}

int ListCount(HWND list)
{
    return (int)SendWaiting(list, LVM_GETITEMCOUNT, 0, 0);
}

bool ListItemRect(HWND list, int index, int part, RECT *rect)
{
    RemoteMemory memory(sizeof(RECT));
    RECT asked = {part, 0, 0, 0};
    return memory.At(0) && memory.Write(0, &asked, sizeof asked) &&
           SendWaiting(list, LVM_GETITEMRECT, index, memory.At(0)) > 0 &&
           memory.Read(0, rect, sizeof *rect);
}

struct ShownItem {
    int index;
    RECT place;
};

std::vector<std::string> ListItems(HWND list)
{
    bool columns = (GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK) == LVS_LIST;
    std::vector<ShownItem> shown;
    int count = ListCount(list);
    for (int i = 0; i < count; ++i) {
        ShownItem item = {i, {0, 0, 0, 0}};
        if (!ListItemRect(list, i, LVIR_LABEL, &item.place))
            ok(false, "list item %d has no place", i);
        shown.push_back(item);
    }
    std::stable_sort(shown.begin(), shown.end(), [columns](const ShownItem &a, const ShownItem &b) {
        LONG aFirst = columns ? a.place.left : a.place.top;
        LONG bFirst = columns ? b.place.left : b.place.top;
        LONG aSecond = columns ? a.place.top : a.place.left;
        LONG bSecond = columns ? b.place.top : b.place.left;
        return aFirst != bFirst ? aFirst < bFirst : aSecond < bSecond;
    });
    std::vector<std::string> texts;
    for (const ShownItem &item : shown)
        texts.push_back(ListItemText(list, item.index));
    return texts;
}

int FindListItem(HWND list, const char *text)
{
    int count = ListCount(list);
    for (int i = 0; i < count; ++i)
        if (ListItemText(list, i) == text)
            return i;
    return -1;
}

// Clicks the centre of an item's label; *at is where, for a second click.
static bool ClickListItemAt(HWND list, int index, LPARAM *at)
{
    RECT label, client;
    if (index < 0 || SendWaiting(list, LVM_ENSUREVISIBLE, index, FALSE) <= 0 ||
        !GetClientRect(list, &client) || !ListItemRect(list, index, LVIR_LABEL, &label))
        return false;
    POINT centre = {(label.left + label.right) / 2, (label.top + label.bottom) / 2};
    if (!PtInRect(&client, centre))
        return false;
    *at = MAKELPARAM(centre.x, centre.y);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, *at);
    PostMessageA(list, WM_LBUTTONUP, 0, *at);
    return true;
}

bool ClickListItem(HWND list, int index)
{
    LPARAM at;
    return ClickListItemAt(list, index, &at);
}

bool DoubleClickListItem(HWND list, int index)
{
    LPARAM at;
    if (!ClickListItemAt(list, index, &at))
        return false;
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    return true;
}

int SelectedListItem(HWND list)
{
    return (int)SendWaiting(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

bool StepList(HWND list, UINT key)
{
    if (FocusedControl(GetParent(list)) != list)
        return false;
    return KeyChanges(list, key, [list] { return SelectedListItem(list); });
}

bool ArrowToListItem(HWND list, const char *text)
{
    int wanted = FindListItem(list, text);
    if (wanted < 0)
        return false;
    while (SelectedListItem(list) != wanted)
        if (!StepList(list, VK_DOWN))
            return false;
    return true;
}

// Asked in Unicode: Wine 8 answers an ANSI CB_GETLBTEXT from another process with the
// item's UTF-16 text.
static std::string ComboItemText(HWND combo, int index)
{
    DWORD_PTR length = 0, copied = 0;
    if (!SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, index, 0, SMTO_ABORTIFHUNG, WAIT_MS,
                             &length) ||
        (LRESULT)length < 0)
        return "";
    std::wstring wide(length + 1, L'\0');
    if (!SendMessageTimeoutW(combo, CB_GETLBTEXT, index, (LPARAM)&wide[0], SMTO_ABORTIFHUNG,
                             WAIT_MS, &copied) ||
        (LRESULT)copied < 0 || copied > length)
        return "";
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), (int)copied, NULL, 0, NULL, NULL);
    std::string text(bytes, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), (int)copied, &text[0], bytes, NULL, NULL);
    return text;
}

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> texts;
    LRESULT count = SendWaiting(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
        texts.push_back(ComboItemText(combo, i));
    return texts;
}

std::string ComboSelection(HWND combo)
{
    LRESULT selected = SendWaiting(combo, CB_GETCURSEL, 0, 0);
    return selected < 0 ? "" : ComboItemText(combo, (int)selected);
}

bool StepCombo(HWND combo, UINT key)
{
    return KeyChanges(combo, key, [combo] { return SendWaiting(combo, CB_GETCURSEL, 0, 0); });
}

bool ReadWholeFile(const char *path, std::string *text)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, NULL), done = 0;
    bool read = size != INVALID_FILE_SIZE;
    if (read) {
        text->assign(size, '\0');
        read = size == 0 || (ReadFile(file, &(*text)[0], size, &done, NULL) && done == size);
    }
    CloseHandle(file);
    return read;
}

// 32-bit pixels, top row first.
static BITMAPINFO PixelFormat(int width, int height)
{
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return info;
}

Screenshot CaptureScreen()
{
    Screenshot shot;
    shot.width = GetSystemMetrics(SM_CXSCREEN);
    shot.height = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO info = PixelFormat(shot.width, shot.height);
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

// A bitmap's pixels, and the bitmap deleted.
static bool ReadBitmap(HBITMAP bitmap, Screenshot *picture)
{
    BITMAP size;
    bool read = false;
    if (bitmap && GetObjectA(bitmap, sizeof size, &size)) {
        BITMAPINFO info = PixelFormat(size.bmWidth, size.bmHeight);
        picture->width = size.bmWidth;
        picture->height = size.bmHeight;
        picture->pixels = new DWORD[size.bmWidth * size.bmHeight];
        HDC screen = GetDC(NULL);
        read = GetDIBits(screen, bitmap, 0, size.bmHeight, picture->pixels, &info,
                         DIB_RGB_COLORS) == size.bmHeight;
        ReleaseDC(NULL, screen);
    }
    if (bitmap)
        DeleteObject(bitmap);
    return read;
}

bool LoadProgramBitmap(const char *name, Screenshot *picture)
{
    HMODULE module = LoadLibraryExA(g_setupPath.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    bool read = module && ReadBitmap(LoadBitmapA(module, name), picture);
    if (module)
        FreeLibrary(module);
    return read;
}

bool LoadBitmapFile(const char *path, Screenshot *picture)
{
    return ReadBitmap((HBITMAP)LoadImageA(NULL, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE),
                      picture);
}

Screenshot StretchedPicture(const Screenshot *picture, int width, int height, int mode)
{
    BITMAPINFO sourceFormat = PixelFormat(picture->width, picture->height);
    BITMAPINFO format = PixelFormat(width, height);
    HDC screen = GetDC(NULL);
    HDC source = CreateCompatibleDC(screen), target = CreateCompatibleDC(screen);
    void *sourceBits = NULL, *bits = NULL;
    HBITMAP sourceBitmap =
        CreateDIBSection(screen, &sourceFormat, DIB_RGB_COLORS, &sourceBits, NULL, 0);
    HBITMAP bitmap = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, NULL, 0);
    Screenshot stretched = {width, height, new DWORD[width * height]()};
    if (sourceBits && bits) {
        memcpy(sourceBits, picture->pixels, picture->width * picture->height * 4);
        HGDIOBJ oldSource = SelectObject(source, sourceBitmap);
        HGDIOBJ old = SelectObject(target, bitmap);
        SetStretchBltMode(target, mode);
        SetBrushOrgEx(target, 0, 0, NULL);
        StretchBlt(target, 0, 0, width, height, source, 0, 0, picture->width, picture->height,
                   SRCCOPY);
        GdiFlush();
        memcpy(stretched.pixels, bits, width * height * 4);
        SelectObject(source, oldSource);
        SelectObject(target, old);
    }
    if (sourceBitmap)
        DeleteObject(sourceBitmap);
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(source);
    DeleteDC(target);
    ReleaseDC(NULL, screen);
    return stretched;
}

void ReportWindowsVersion(const char *version)
{
    for (const char *program : {"setup.exe", "removequill.exe"}) {
        HKEY key;
        RegCreateKeyExA(HKEY_CURRENT_USER,
                        (std::string("Software\\Wine\\AppDefaults\\") + program).c_str(), 0, NULL,
                        0, KEY_ALL_ACCESS, NULL, &key, NULL);
        RegSetValueExA(key, "Version", 0, REG_SZ, (const BYTE *)version, lstrlenA(version) + 1);
        RegCloseKey(key);
    }
}

void SetDisplayDpi(DWORD dpi)
{
    HKEY key;
    bool set = RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, NULL, 0,
                               KEY_SET_VALUE, NULL, &key, NULL) == ERROR_SUCCESS;
    if (set) {
        set = RegSetValueExA(key, "LogPixels", 0, REG_DWORD, (const BYTE *)&dpi, sizeof dpi) ==
              ERROR_SUCCESS;
        RegCloseKey(key);
    }
    ok(set, "the display set to %lu dots per inch", dpi);
}

Screenshot CaptureSettled(HWND window)
{
    RedrawWindow(window, NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle(window);
    Screenshot shot = CaptureScreen();
    DWORD start = GetTickCount();
    for (bool same = false; !same && GetTickCount() - start < WAIT_MS;) {
        Sleep(100);
        Screenshot next = CaptureScreen();
        same = memcmp(next.pixels, shot.pixels, shot.width * shot.height * 4) == 0;
        FreeScreenshot(&shot);
        shot = next;
    }
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
    // Wine starts the desktop's process from the first program that needs the desktop: this
    // one, so that it never counts among the children of the program under test.
    GetDesktopWindow();
    if (argc > 3)
        g_extraArgument = argv[3];
    if (argc > 4)
        g_laterBuild = argv[4];
    g_testedSetup = g_setupPath;
    g_testedPayload = g_extraArgument;
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

bool PlantLibraries(const std::string &folder, const char *names)
{
    char driver[MAX_PATH];
    GetModuleFileNameA(NULL, driver, MAX_PATH);
    std::string standin = driver;
    standin.erase(standin.rfind('\\') + 1);
    standin += "standin.dll";
    // Wine's load order per library, read whenever a program loads one.
    HKEY overrides = NULL;
    bool planted = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, NULL, 0,
                                   KEY_SET_VALUE, NULL, &overrides, NULL) == ERROR_SUCCESS;
    std::string list = names;
    for (size_t start = 0; planted && start < list.size();) {
        size_t end = std::min(list.find(',', start), list.size());
        std::string name = list.substr(start, end - start);
        planted = CopyFileA(standin.c_str(), (folder + "\\" + name + ".dll").c_str(), FALSE) &&
                  RegSetValueExA(overrides, name.c_str(), 0, REG_SZ,
                                 (const BYTE *)"native,builtin", 15) == ERROR_SUCCESS;
        start = end + 1;
    }
    if (overrides)
        RegCloseKey(overrides);
    ok(planted, "stand-ins %s planted in %s", names, folder.c_str());
    return planted;
}

std::string FileContents(const char *path)
{
    std::string contents;
    return ReadWholeFile(path, &contents) ? contents : "";
}

bool WriteWholeFile(const char *path, const std::string &text)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    bool done = file != INVALID_HANDLE_VALUE &&
                WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL) &&
                written == text.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return done;
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
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened) !=
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
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened) !=
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

std::string Installed(int row, const char *installDir)
{
    return std::string(installDir) + g_rows[row].destination;
}

bool IsProgramRow(int row)
{
    std::string name = g_rows[row].destination;
    return name.size() > 4 && (name.compare(name.size() - 4, 4, ".exe") == 0 ||
                               name.compare(name.size() - 4, 4, ".dll") == 0);
}

std::string TemporaryFolder()
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

std::vector<std::string> TemporaryFolderEntries()
{
    return FolderEntries(TemporaryFolder() + "*");
}

std::vector<std::string> FolderEntries(const std::string &pattern)
{
    std::vector<std::string> entries;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0)
            entries.push_back(found.cFileName);
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    std::sort(entries.begin(), entries.end());
    return entries;
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

HWND NextOnDirPage(void (*onDirPage)(HWND dirPage))
{
    HWND page = WaitDialogWithControl(IDOK, "Next");
    ok(page != NULL, "the directory page appears");
    if (!page)
        return NULL;
    if (onDirPage)
        onDirPage(page);
    ok(ControlText(page, IDC_PATH) == INSTALL_DIR, "directory box: %s",
       ControlText(page, IDC_PATH).c_str());
    PressButton(page, IDOK);
    return page;
}

// Asks setup.exe nothing: a question would wait for the row it is expanding, and the copy
// watch would then start a row late.
static bool IsCopyPage(HWND window, void *)
{
    return ClassName(window) == "#32770" && GetDlgItem(window, IDC_COPY_PROGRESS);
}

HWND WaitCopyPage()
{
    return WaitForWindow(IsCopyPage, NULL);
}

static HWND WaitShortcutPage()
{
    HWND page = WaitDialogWithControl(IDOK, "Finnish");
    ok(page != NULL, "the shortcut page appears");
    return page;
}

void InstallToFinish(void (*onCopyPage)(HWND copyPage), void (*onDirPage)(HWND dirPage))
{
    AcceptLicence();
    NextOnDirPage(onDirPage);
    HWND copyPage = WaitCopyPage();
    ok(copyPage != NULL, "the copy page appears");
    if (copyPage && onCopyPage)
        onCopyPage(copyPage);
    HWND page = WaitShortcutPage();
    if (!page)
        return;
    ok(ControlText(page, IDC_PATH) == PROGRAM_GROUP, "shortcut box: %s",
       ControlText(page, IDC_PATH).c_str());
    PressButton(page, IDOK);
}

HWND StartToShortcutPage()
{
    if (!StartSetup())
        return NULL;
    AcceptLicence();
    NextOnDirPage();
    return WaitShortcutPage();
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
    // The window, not its process: the shell's process may outlive its window.
    PostMessageA(shell, WM_CLOSE, 0, 0);
    ok(WaitWindowGone(shell), "the shell window closes");
}

void ExpectSuccess()
{
    HWND main = WaitMainWindow();
    ANSWER(main, "Quillmere was successfully installed", "Setup", IDOK);
    DWORD code = WaitSetupExit();
    ok(code == 0, "exit code 0, got %lu", code);
}

void FinishAndExpectSuccess()
{
    HWND page = WaitShortcutPage();
    if (page)
        PressButton(page, IDOK);
    CheckFolderOpened();
    ExpectSuccess();
}

bool InstallWithStartMenu()
{
    MakeStartMenu();
    if (!StartSetup())
        return false;
    InstallToFinish(NULL);
    CheckFolderOpened();
    ExpectSuccess();
    return true;
}

void CheckInstalledFiles(const char *installDir, const char *settings)
{
    std::string payload = g_extraArgument;
    int wrong = 0;
    for (int row = 0; row < PAYLOAD_ROWS; ++row) {
        std::string installed = Installed(row, installDir);
        if (settings && row == SETTINGS_ROW ? FileContents(installed.c_str()) != settings
                                            : !SameFileContents(installed.c_str(),
                                                                (payload + g_rows[row].destination).c_str())) {
            ++wrong;
            ok(false, "%s is not the built file", installed.c_str());
        }
    }
    ok(wrong == 0, "all fourteen files installed byte for byte");
    std::string left = InstallerFilesLeft(installDir);
    ok(left.empty(), "nothing of the installer's own beside them: %s", left.c_str());
    std::vector<std::string> now = TemporaryFolderEntries();
    ok(now == g_temporaryEntriesAtStart, "the temporary folder holds what it held at the "
                                         "start: %d entries then, %d now",
       (int)g_temporaryEntriesAtStart.size(), (int)now.size());
}

std::string InstallerFilesLeft(const char *installDir)
{
    std::string left;
    for (const char *folder : {"\\", "\\lists\\"}) {
        // Its undo folder and files expanded in part, or under a name with a last "_".
        for (const char *pattern : {"~qm*", "*.??_"}) {
            for (const std::string &name : FolderEntries(installDir + (folder + std::string(pattern))))
                left += name + " ";
        }
    }
    return left;
}

void CheckShortcuts(const char *folder, const char *installDir)
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
        ok(read && lstrcmpiA(target.c_str(), (std::string(installDir) + links[i][1]).c_str()) == 0 &&
               description == links[i][2],
           "%s: target \"%s\", description \"%s\"", link.c_str(), target.c_str(),
           description.c_str());
    }
}

// A REG_DWORD value under HKEY_LOCAL_MACHINE, or 0xFFFFFFFF.
static DWORD MachineNumber(const char *key, const char *name)
{
    DWORD value = 0, size = sizeof value, type = 0;
    HKEY opened;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return 0xFFFFFFFF;
    LONG result = RegQueryValueExA(opened, name, NULL, &type, (BYTE *)&value, &size);
    RegCloseKey(opened);
    return result == ERROR_SUCCESS && type == REG_DWORD ? value : 0xFFFFFFFF;
}

// How many values a key under HKEY_LOCAL_MACHINE holds, or 0xFFFFFFFF.
static DWORD MachineValueCount(const char *key)
{
    DWORD count = 0xFFFFFFFF;
    HKEY opened;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(opened, NULL, NULL, NULL, NULL, NULL, NULL, &count, NULL, NULL, NULL,
                         NULL);
        RegCloseKey(opened);
    }
    return count;
}

void UseLaterBuild(bool later)
{
    g_setupPath = later ? g_laterBuild + "\\setup.exe" : g_testedSetup;
    g_extraArgument = later ? g_laterBuild + "\\payload" : g_testedPayload;
}

// A file's version resource (NULL when it has none), and a value in it ("\\" for the fixed
// part, "\\StringFileInfo\\040904B0\\FileVersion" for a text).
static void *VersionValue(const std::string &path, std::vector<char> *data, const char *query)
{
    DWORD ignored = 0, size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    data->resize(size + 1);
    void *value = NULL;
    UINT length = 0;
    if (!size || !GetFileVersionInfoA(path.c_str(), 0, size, &(*data)[0]) ||
        !VerQueryValueA(&(*data)[0], query, &value, &length))
        return NULL;
    return value;
}

std::string VersionText(const std::string &path, const char *name)
{
    std::vector<char> data;
    const char *text = (const char *)VersionValue(
        path, &data, (std::string("\\StringFileInfo\\040904B0\\") + name).c_str());
    return text ? text : "<none>";
}

std::string FileVersion(const std::string &path)
{
    std::vector<char> data;
    const VS_FIXEDFILEINFO *fixed = (const VS_FIXEDFILEINFO *)VersionValue(path, &data, "\\");
    if (!fixed)
        return "<none>";
    char file[32], product[32];
    wsprintfA(file, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    wsprintfA(product, "%u.%u.%u.%u", HIWORD(fixed->dwProductVersionMS),
              LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
              LOWORD(fixed->dwProductVersionLS));
    std::string texts[] = {product, VersionText(path, "FileVersion"),
                           VersionText(path, "ProductVersion")};
    for (const std::string &text : texts) {
        if (text != file)
            return std::string(file) + " / " + texts[0] + " / " + texts[1] + " / " + texts[2];
    }
    return file;
}

bool AnswerDowngrade(int button, const char *file, int line)
{
    std::string installed = VersionText(g_laterBuild + "\\setup.exe", "ProductVersion");
    std::string run = VersionText(g_setupPath, "ProductVersion");
    HWND box = WaitMessageBox(NULL);
    std::string text = box ? ControlText(box, 0xFFFF) : "";
    size_t at = text.find(installed);
    ok_at(file, line,
          at != std::string::npos && text.find(run, at + installed.size()) != std::string::npos,
          "a question names the installed %s, then this %s: \"%s\"", installed.c_str(),
          run.c_str(), text.c_str());
    if (!box)
        return false;
    if (button)
        PressButton(box, button);
    else
        PressKey(box, VK_RETURN);
    return WaitWindowGone(box);
}

// The fourteen files the installation must leave, in KB rounded up.
static DWORD PayloadKilobytes()
{
    DWORD bytes = 0;
    for (int row = 0; row < PAYLOAD_ROWS; ++row)
        bytes += (DWORD)FileContents((g_extraArgument + g_rows[row].destination).c_str()).size();
    return (bytes + 1023) / 1024;
}

static void CheckEntry(const char *key, const std::string &command, const char *group,
                       const std::string &folder)
{
    ok(MachineString(key, "DisplayName") == "Quillmere", "DisplayName under %s", key);
    ok(MachineString(key, "UninstallString") == command, "UninstallString under %s: %s", key,
       MachineString(key, "UninstallString").c_str());
    ok(MachineString(key, "Scdir") == group, "Scdir under %s: %s", key,
       MachineString(key, "Scdir").c_str());
    ok(MachineString(key, "Progdir") == folder, "Progdir under %s: %s", key,
       MachineString(key, "Progdir").c_str());
}

// Windows 9x keeps its one entry as it always was: four values, the command unquoted.
void CheckRegistry(bool windowsNT, const char *group, const char *installDir)
{
    std::string folder = installDir, uninstaller = folder + "\\removequill.exe";
    ok(MachineString(APP_PATH, "") == folder + "\\Quillmere", "App Paths default: %s",
       MachineString(APP_PATH, "").c_str());
    ok(MachineString(APP_PATH, "Path") == folder, "App Paths Path: %s",
       MachineString(APP_PATH, "Path").c_str());
    if (!windowsNT) {
        ok(!MachineKeyExists(NT_UNINSTALL), "nothing under the NT key's uninstall list");
        CheckEntry(WIN_UNINSTALL, uninstaller, group, folder);
        ok(MachineValueCount(WIN_UNINSTALL) == 4,
           "Windows 9x's entry holds its four values alone, %lu found",
           MachineValueCount(WIN_UNINSTALL));
        return;
    }
    CheckEntry(NT_UNINSTALL, uninstaller, group, folder);
    CheckEntry(WIN_UNINSTALL, "\"" + uninstaller + "\"", group, folder);
    ok(MachineString(WIN_UNINSTALL, "QuietUninstallString") == "\"" + uninstaller + "\" /S",
       "QuietUninstallString: %s", MachineString(WIN_UNINSTALL, "QuietUninstallString").c_str());
    std::string maker = VersionText(g_setupPath, "CompanyName");
    std::string version = VersionText(g_setupPath, "ProductVersion");
    ok(MachineString(WIN_UNINSTALL, "Publisher") == maker,
       "Publisher: %s, the version resource names %s",
       MachineString(WIN_UNINSTALL, "Publisher").c_str(), maker.c_str());
    ok(MachineString(WIN_UNINSTALL, "DisplayIcon") == folder + "\\quillmere.exe",
       "DisplayIcon: %s", MachineString(WIN_UNINSTALL, "DisplayIcon").c_str());
    ok(MachineString(WIN_UNINSTALL, "DisplayVersion") == version,
       "DisplayVersion: %s, the version resource says %s",
       MachineString(WIN_UNINSTALL, "DisplayVersion").c_str(), version.c_str());
    ok(MachineString(WIN_UNINSTALL, "InstallLocation") == folder, "InstallLocation: %s",
       MachineString(WIN_UNINSTALL, "InstallLocation").c_str());
    ok(MachineNumber(WIN_UNINSTALL, "EstimatedSize") == PayloadKilobytes(),
       "EstimatedSize: %lu KB, the payload takes %lu KB",
       MachineNumber(WIN_UNINSTALL, "EstimatedSize"), PayloadKilobytes());
    DWORD noModify = MachineNumber(WIN_UNINSTALL, "NoModify");
    DWORD noRepair = MachineNumber(WIN_UNINSTALL, "NoRepair");
    ok(noModify == 1 && noRepair == 1, "NoModify %lu, NoRepair %lu", noModify, noRepair);
}
