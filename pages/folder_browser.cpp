#include "internal.h"
#include <commctrl.h>

char g_drives[DRIVE_SLOTS][DRIVE_CHARS];
int g_driveCount;
int g_driveIndex;
char g_baseDir[PATH_CHARS];
char g_dirName[DIR_NAME_CHARS];
DWORD g_freeKB;

static LONG g_editGuard;
static HWND g_browserEdit, g_browserList, g_browserDrives;

#define PREFERRED_BASE "C:\\Program files"
#define FREE_SPACE_FORMAT " Available: %lu KB, Required: %d KB"
#define DRIVE_STRINGS_BYTES (DRIVE_SLOTS * 4 + 1)

void ReadDriveTable(const char *strings, int size)
{
    g_driveCount = 0;
    int length = 0;
    for (int i = 0; i < size && g_driveCount < DRIVE_SLOTS; ++i) {
        char *entry = g_drives[g_driveCount];
        if (strings[i] != '\0') {
            if (length < DRIVE_CHARS - 1)
                entry[length++] = strings[i];
            continue;
        }
        entry[length] = '\0';
        CharUpperA(entry);
        if (entry[0] == g_startDir[0])
            g_driveIndex = g_driveCount;
        ++g_driveCount;
        length = 0;
        if (i + 1 >= size || strings[i + 1] == '\0')
            break;
    }
}

void ChooseDefaultDrive()
{
    for (int i = 0; i < g_driveCount; ++i) {
        if (g_drives[i][0] != 'C')
            continue;
        g_driveIndex = i;
        CopyText(g_baseDir, PATH_CHARS, PREFERRED_BASE);
        if (!SetCurrentDirectoryA(g_baseDir))
            CopyText(g_baseDir, PATH_CHARS, g_drives[i]);
        return;
    }
}

void ScanDrives()
{
    char strings[DRIVE_STRINGS_BYTES];
    ZeroMemory(strings, sizeof strings);
    GetLogicalDriveStringsA(sizeof strings - 1, strings);
    CharUpperA(g_startDir);
    ReadDriveTable(strings, sizeof strings);
    ChooseDefaultDrive();
    UpdateFreeSpace(g_driveIndex);
}

// Where the last name of a folder named in full begins.
static int LastName(const char *folder)
{
    int name = lstrlenA(folder);
    while (folder[name - 1] != '\\')
        --name;
    return name;
}

void CutToParent(char *folder)
{
    int name = LastName(folder);
    folder[name > 3 ? name - 1 : name] = '\0'; // a drive's root keeps its separator
}

void ChooseFolder(const char *folder)
{
    CopyText(g_dirName, DIR_NAME_CHARS, folder + LastName(folder));
    CopyText(g_baseDir, PATH_CHARS, folder);
    CutToParent(g_baseDir);
    g_driveIndex = -1;
    for (int i = 0; i < g_driveCount; ++i) {
        if (g_drives[i][0] == (folder[0] & ~0x20)) // the table holds capitals
            g_driveIndex = i;
    }
    UpdateFreeSpace(g_driveIndex);
}

// Long division of the 64-bit byte count in 16-bit steps, so that only 32-bit divisions
// are needed (the compiler's 64-bit division is a library routine).
DWORD FreeKilobytes(DWORD sectorsPerCluster, DWORD bytesPerSector, DWORD freeClusters)
{
    ULONGLONG bytes = (ULONGLONG)sectorsPerCluster * bytesPerSector * freeClusters;
    DWORD high = (DWORD)(bytes >> 32), low = (DWORD)bytes;
    if (high >= 1000)
        return 0xFFFFFFFFu; // the quotient needs more than 32 bits
    DWORD upper = high << 16 | low >> 16;
    DWORD lower = (upper % 1000) << 16 | (low & 0xFFFF);
    return (upper / 1000) << 16 | lower / 1000;
}

// A drive whose free space cannot be read counts as having none.
void UpdateFreeSpace(int drive)
{
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (drive < 0 || drive >= g_driveCount ||
        !GetDiskFreeSpaceA(g_drives[drive], &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
        g_freeKB = 0;
        return;
    }
    g_freeKB = FreeKilobytes(sectorsPerCluster, bytesPerSector, freeClusters);
}

static void ShowFreeSpace(HWND dialog)
{
    char line[sizeof FREE_SPACE_FORMAT + 2 * 10];
    wsprintfA(line, FREE_SPACE_FORMAT, g_freeKB, REQUIRED_KB);
    SetDlgItemTextA(dialog, IDC_FREE_SPACE, line);
}

static LRESULT OnFolderBrowserInit(HWND dialog, UINT, WPARAM, LPARAM)
{
    g_browserEdit = GetDlgItem(dialog, IDC_DIR_NAME);
    g_browserList = GetDlgItem(dialog, IDC_FOLDERS);
    g_browserDrives = GetDlgItem(dialog, IDC_DRIVES);
    for (int i = 0; i < g_driveCount; ++i) {
        if (g_drives[i][0] == '\0')
            continue;
        LRESULT item = SendMessageA(g_browserDrives, CB_ADDSTRING, 0, (LPARAM)g_drives[i]);
        SendMessageA(g_browserDrives, CB_SETITEMDATA, item, i);
    }
    SendMessageA(g_browserDrives, CB_SETCURSEL, g_driveIndex, 0);
    ShowFreeSpace(dialog);
    CreateBrowserImages(g_browserList);
    FillFolderList(dialog, g_browserList, g_baseDir, BROWSE_FOLDER);
    SetWindowTextA(g_browserEdit, PRODUCT_FOLDER);
    return 1;
}

static LRESULT OnFolderBrowserNotify(HWND dialog, UINT, WPARAM, LPARAM lParam)
{
    const NMHDR *notice = (const NMHDR *)lParam;
    if (notice->hwndFrom == g_browserList && notice->code == (UINT)NM_DBLCLK)
        WalkFolderList(dialog, g_browserList, g_baseDir, BROWSE_FOLDER);
    return 0;
}

static LRESULT OnDriveSelect(HWND dialog, WORD, WORD code, LPARAM)
{
    if (code != CBN_SELENDOK)
        return 0;
    int selected = (int)SendMessageA(g_browserDrives, CB_GETCURSEL, 0, 0);
    if (selected < 0 || selected >= g_driveCount)
        return 0;
    g_driveIndex = selected;
    CopyText(g_baseDir, PATH_CHARS, g_drives[selected]);
    FillFolderList(dialog, g_browserList, g_baseDir, BROWSE_FOLDER);
    UpdateFreeSpace(selected);
    ShowFreeSpace(dialog);
    return 0;
}

// A name too long for the product folder is refused: the last accepted one comes back.
static LRESULT OnFolderNameEdit(HWND, WORD, WORD code, LPARAM)
{
    if (code != EN_UPDATE || g_editGuard)
        return 1;
    if (GetWindowTextLengthA(g_browserEdit) > DIR_NAME_CHARS - 1) {
        g_editGuard = 1;
        SetWindowTextA(g_browserEdit, g_dirName);
        MessageBeep((UINT)-1);
        g_editGuard = 0;
    } else {
        GetWindowTextA(g_browserEdit, g_dirName, DIR_NAME_CHARS);
    }
    return 1;
}

static LRESULT OnFolderBrowserButton(HWND dialog, WORD id, WORD, LPARAM)
{
    if (id == IDOK) {
        if (WalkOnEnter(dialog, g_browserList, g_baseDir, BROWSE_FOLDER))
            return 1;
        GetWindowTextA(g_browserEdit, g_dirName, DIR_NAME_CHARS);
        if (g_dirName[0] == '\0') {
            MessageBoxA(dialog, NO_NAME_WARNING, NO_NAME_CAPTION, MB_OK | MB_ICONEXCLAMATION);
            SetFocus(g_browserEdit);
            return 1;
        }
        if (g_freeKB < REQUIRED_KB) {
            MessageBoxA(dialog, NOT_ENOUGH_SPACE_ERROR, NULL, MB_YESNO | MB_ICONERROR);
            return 0;
        }
    }
    EndDialog(dialog, 0);
    return 1;
}

static const CommandMapEntry g_folderBrowserCommandRows[] = {
    {IDOK, OnFolderBrowserButton},
    {IDCANCEL, OnFolderBrowserButton},
    {IDC_DIR_NAME, OnFolderNameEdit},
    {IDC_DRIVES, OnDriveSelect},
};
static const CommandMap g_folderBrowserCommandMap = {MAP_ROWS(g_folderBrowserCommandRows),
                                                     g_folderBrowserCommandRows, DEFPROC_NONE};

static LRESULT OnFolderBrowserCommand(HWND dialog, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchMapCommand(&g_folderBrowserCommandMap, dialog, wParam, lParam);
}

static const MessageMapEntry g_folderBrowserMessageRows[] = {
    {WM_COMMAND, OnFolderBrowserCommand},
    {WM_INITDIALOG, OnFolderBrowserInit},
    {WM_NOTIFY, OnFolderBrowserNotify},
};
static const MessageMap g_folderBrowserMessageMap = {MAP_ROWS(g_folderBrowserMessageRows),
                                                     g_folderBrowserMessageRows, DEFPROC_NONE};

INT_PTR CALLBACK FolderBrowserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMapMessage(&g_folderBrowserMessageMap, window, message, wParam, lParam);
}
