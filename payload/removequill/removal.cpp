// Removal of an installation: only the files, shortcuts and keys the installer wrote, and
// folders only when they are empty, so anything of the user's stays where it is. And the
// uninstaller's helper file.
#include "removal.h"
#include "api.h"
#include "manifest.h"
#include "sharing.h"
#include "text.h"

#define MACHINE "HKEY_LOCAL_MACHINE\\"
#define NOT_EMPTY "the folder holds files that Quillmere did not install"
#define IN_USE "in use; it goes when Windows restarts"
#define WHY_CHARS 400
#define ITEM_CHARS (PATH_CHARS + MANIFEST_FIELD)

static const char *const ENTRY_KEYS[] = {
    WINDOWS_NT_KEY UNINSTALL_KEY,
    WINDOWS_KEY UNINSTALL_KEY,
};
static const int ENTRY_KEY_COUNT = sizeof ENTRY_KEYS / sizeof ENTRY_KEYS[0];

// A 32-bit program on 64-bit Windows sees a registry view of its own; the entry may have
// been written from either. Elsewhere there is one registry, and Windows 2000 refuses the
// view flags as access no rule grants.
struct RegistryView {
    REGSAM flag;
    const char *suffix; // after the key's name
};
static const RegistryView VIEWS[] = {
    {KEY_WOW64_64KEY, " (64-bit view)"},
    {KEY_WOW64_32KEY, " (32-bit view)"},
};
static const RegistryView ONE_VIEW[] = {{0, ""}};

// The views to look in: both under WOW64, otherwise the one there is.
static int Views(const RegistryView **views)
{
    typedef BOOL(WINAPI * IsWow64ProcessFunction)(HANDLE, PBOOL);
    IsWow64ProcessFunction isWow64 = ExportAs<IsWow64ProcessFunction>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process"));
    BOOL wow64 = FALSE;
    if (isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64) {
        *views = VIEWS;
        return sizeof VIEWS / sizeof VIEWS[0];
    }
    *views = ONE_VIEW;
    return 1;
}

// A REG_SZ value that fits, terminated even when stored without its terminator.
static BOOL ReadText(HKEY key, const char *name, char *value, int size)
{
    DWORD type = 0, bytes = (DWORD)size - 1;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)value, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return FALSE;
    value[bytes] = '\0';
    return value[0] != '\0';
}

static void NameKey(char *text, int size, const char *path, const RegistryView *view)
{
    CopyText(text, size, MACHINE);
    AppendText(text, size, path);
    AppendText(text, size, view->suffix);
}

FindResult FindInstallation(Installation *installation, char *entry, int entrySize)
{
    FindResult result = NOT_INSTALLED;
    const RegistryView *views;
    int viewCount = Views(&views);
    for (int v = 0; v < viewCount; ++v) {
        for (int k = 0; k < ENTRY_KEY_COUNT; ++k) {
            HKEY key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ENTRY_KEYS[k], 0,
                              KEY_QUERY_VALUE | views[v].flag, &key) != ERROR_SUCCESS)
                continue;
            BOOL usable =
                ReadText(key, ENTRY_PROGRAM_DIR, installation->programDir, PATH_CHARS) &&
                ReadText(key, ENTRY_GROUP_DIR, installation->groupDir, PATH_CHARS);
            RegCloseKey(key);
            if (usable)
                return INSTALLATION_FOUND;
            if (result == NOT_INSTALLED)
                NameKey(entry, entrySize, ENTRY_KEYS[k], &views[v]);
            result = ENTRY_DAMAGED;
        }
    }
    return result;
}

void NoteLeft(Removal *removal, const char *item, const char *why)
{
    char line[ITEM_CHARS + WHY_CHARS];
    ++removal->leftCount;
    if (CopyText(line, sizeof line, item) && AppendText(line, sizeof line, ": ") &&
        AppendText(line, sizeof line, why) && AppendText(line, sizeof line, "\n") &&
        AppendText(removal->left, sizeof removal->left, line))
        ++removal->leftShown;
}

static void NoteError(Removal *removal, const char *item, DWORD error)
{
    char why[WHY_CHARS];
    ++removal->failed;
    DescribeError(error, why, sizeof why);
    NoteLeft(removal, item, why);
}

// An installed file or shortcut; one already gone is counted, not reported.
static void RemoveItem(const char *path, int *removed, Removal *removal)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            ++removal->missing;
        else
            NoteError(removal, path, error);
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        NoteLeft(removal, path, "a folder stands where the installed file was");
    } else if (DeleteFileA(path)) {
        ++*removed;
    } else {
        // A program or library that runs, or a file held open, can go at the next restart,
        // set aside first where the system can, so that nothing of this removal ever
        // takes away a file that a new installation writes under that name.
        DWORD error = GetLastError();
        BOOL inUse = (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) &&
                     !(attributes & FILE_ATTRIBUTE_READONLY);
        char aside[MAX_PATH];
        const char *name = inUse && SetAside(path, removal->asideFolder, aside) ? aside : path;
        if (inUse && RemoveAtRestart(name)) {
            ++removal->atRestart;
            NoteLeft(removal, path, IN_USE);
        } else {
            NoteError(removal, name, error);
        }
    }
}

// A folder goes only when it is empty.
static void RemoveFolder(const char *path, Removal *removal)
{
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return;
    if (RemoveDirectoryA(path))
        ++removal->removedFolders;
    else if (GetLastError() == ERROR_DIR_NOT_EMPTY)
        NoteLeft(removal, path, NOT_EMPTY);
    else
        NoteError(removal, path, GetLastError());
}

// Whether the key exists in this view and its value names the installation folder.
static BOOL KeyNamesFolder(const char *path, REGSAM view, const char *name, const char *folder)
{
    HKEY key;
    char value[PATH_CHARS];
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | view, &key) !=
        ERROR_SUCCESS)
        return FALSE;
    BOOL same = ReadText(key, name, value, sizeof value) && lstrcmpiA(value, folder) == 0;
    RegCloseKey(key);
    return same;
}

// RegDeleteKeyExA reaches the other view; systems without it have only one.
static void DeleteKey(const char *path, const RegistryView *view, Removal *removal)
{
    typedef LONG(WINAPI * DeleteKeyExFunction)(HKEY, LPCSTR, REGSAM, DWORD);
    FARPROC deleteKeyEx = GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA");
    LONG result = deleteKeyEx ? ExportAs<DeleteKeyExFunction>(deleteKeyEx)(
                                    HKEY_LOCAL_MACHINE, path, view->flag, 0)
                              : RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    if (result == ERROR_SUCCESS) {
        ++removal->removedKeys;
        return;
    }
    char name[ENTRY_NAME_CHARS];
    NameKey(name, sizeof name, path, view);
    NoteError(removal, name, (DWORD)result);
}

// Entries of another installation, in another folder, stay.
static void RemoveKeys(const char *folder, Removal *removal)
{
    const RegistryView *views;
    int viewCount = Views(&views);
    for (int v = 0; v < viewCount; ++v) {
        for (int k = 0; k < ENTRY_KEY_COUNT; ++k) {
            if (KeyNamesFolder(ENTRY_KEYS[k], views[v].flag, ENTRY_PROGRAM_DIR, folder))
                DeleteKey(ENTRY_KEYS[k], &views[v], removal);
        }
        if (KeyNamesFolder(APP_PATH_KEY, views[v].flag, APP_PATH_FOLDER, folder))
            DeleteKey(APP_PATH_KEY, &views[v], removal);
    }
}

// Both parts always fit: the buffer has room for the longest folder and name.
static const char *Join(char *path, const char *folder, const char *name)
{
    CopyText(path, ITEM_CHARS, folder);
    AppendText(path, ITEM_CHARS, name);
    return path;
}

// The uninstaller itself runs from its file: whoever started it holds that one.
BOOL InstalledFileInUse(const Installation *installation)
{
    char path[ITEM_CHARS];
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        if (lstrcmpiA(PayloadManifest.destination[row], UNINSTALLER_FILE) != 0 &&
            FileInUse(Join(path, installation->programDir, PayloadManifest.destination[row])))
            return TRUE;
    }
    return FALSE;
}

void RemoveInstallation(const Installation *installation, Removal *removal)
{
    ZeroMemory(removal, sizeof *removal);
    char path[ITEM_CHARS];
    const char *folder = installation->programDir;
    // Files are set aside in the folder that holds the installation folder: on its
    // volume, and outside it.
    int cut = 0;
    for (int i = 0; folder[i] && folder[i + 1]; ++i)
        cut = folder[i] == '\\' ? i + 1 : cut;
    lstrcpynA(removal->asideFolder, folder, cut + 1);
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        if (lstrcmpiA(PayloadManifest.destination[row], UNINSTALLER_FILE) != 0)
            RemoveItem(Join(path, folder, PayloadManifest.destination[row]),
                       &removal->removedFiles, removal);
    }
    for (int i = 0; i < SHORTCUT_ROWS; ++i)
        RemoveItem(Join(path, installation->groupDir, ProgramGroupShortcuts[i].linkFile),
                   &removal->removedShortcuts, removal);
    for (int i = 0; i < PAYLOAD_SUBDIRS; ++i)
        RemoveFolder(Join(path, folder, PayloadSubdirs[i]), removal);
    RemoveFolder(installation->groupDir, removal);
    RemoveKeys(folder, removal);
    // The uninstaller's own file cannot go while it runs; set aside, it leaves its name
    // and its folder free at once.
    if (SetAside(Join(path, folder, UNINSTALLER_FILE), removal->asideFolder,
                 removal->uninstallerAside)) {
        ++removal->removedFiles;
        RemoveFolder(folder, removal);
    } else {
        removal->uninstallerAside[0] = '\0';
    }
}

void FinishRemoval(const Installation *installation, Removal *removal)
{
    char path[ITEM_CHARS];
    const char *aside = removal->uninstallerAside;
    Join(path, installation->programDir, UNINSTALLER_FILE);
    if (*aside) {
        if (!DeleteFileA(aside) && !RemoveAtRestart(aside))
            NoteError(removal, aside, GetLastError());
    } else if (RunAlone(FALSE)) {
        // Not set aside (Windows 9x cannot rename a running program's file), it goes now,
        // while no new setup can begin.
        RemoveItem(path, &removal->removedFiles, removal);
        RemoveFolder(installation->programDir, removal);
        StopRunningAlone();
    } else {
        NoteLeft(removal, path, "a new setup or removal of Quillmere has begun");
    }
}

int RemovalExitCode(const Removal *removal)
{
    if (removal->failed)
        return ERROR_INSTALL_FAILURE;
    return removal->atRestart ? ERROR_SUCCESS_REBOOT_REQUIRED : ERROR_SUCCESS;
}

// "1 file", "3 files".
static void AppendCount(char *text, int size, int count, const char *one, const char *many)
{
    char number[16];
    wsprintfA(number, "%d ", count);
    AppendText(text, size, number);
    AppendText(text, size, count == 1 ? one : many);
}

void ComposeReport(const Removal *removal, char *text, int size)
{
    CopyText(text, size,
             removal->leftCount ? "Quillmere has been removed, but some items are left:\n"
                                : "Quillmere has been removed.\n");
    AppendText(text, size, removal->left);
    if (removal->leftShown < removal->leftCount) {
        AppendText(text, size, "and ");
        AppendCount(text, size, removal->leftCount - removal->leftShown, "more item.\n",
                    "more items.\n");
    }
    AppendText(text, size, "\nRemoved ");
    AppendCount(text, size, removal->removedFiles, "file, ", "files, ");
    AppendCount(text, size, removal->removedShortcuts, "shortcut, ", "shortcuts, ");
    AppendCount(text, size, removal->removedFolders, "folder and ", "folders and ");
    AppendCount(text, size, removal->removedKeys, "registry key.", "registry keys.");
    if (removal->missing) {
        AppendText(text, size, "\n");
        AppendCount(text, size, removal->missing, "installed item was already gone.",
                    "installed items were already gone.");
    }
}

// The helper's file, made new, never through anything that was there already under its
// name; open for writing, with no write or delete sharing.
static HANDLE CreateHelperFile(const char *folder, char *helper)
{
    for (int attempt = 0; attempt < NEW_NAME_ATTEMPTS; ++attempt) {
        if (!NewName(folder, attempt, helper))
            break;
        HANDLE file = CreateFileA(helper, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

static BOOL SameFile(const BY_HANDLE_FILE_INFORMATION *a, const BY_HANDLE_FILE_INFORMATION *b)
{
    return a->dwVolumeSerialNumber == b->dwVolumeSerialNumber &&
           a->nFileIndexHigh == b->nFileIndexHigh && a->nFileIndexLow == b->nFileIndexLow;
}

// The writer is closed before the file is opened again with read sharing alone, which
// fails while any writer, this program's or another's, still has it open. In between the
// name is held by nothing, so on NT the second open must find the very file written, not
// another file or a link put in its place (links are opened as themselves). Windows 9x
// has no links and no second user, and may give a file another index at each open: there
// the caller's check of the bytes is proof enough.
HANDLE MakeHelperFile(const char *folder, const FileBytes *own, char *helper)
{
    HANDLE file = CreateHelperFile(folder, helper);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    BOOL nt = !(GetVersion() & 0x80000000);
    DWORD written = 0, error = 0;
    BY_HANDLE_FILE_INFORMATION made, opened;
    if (!WriteFile(file, own->data, own->size, &written, NULL) ||
        (nt && !GetFileInformationByHandle(file, &made)))
        error = GetLastError();
    else if (written != own->size)
        error = ERROR_DISK_FULL;
    CloseHandle(file);
    HANDLE pin = INVALID_HANDLE_VALUE;
    if (!error) {
        pin = CreateFileA(helper, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL | (nt ? FILE_FLAG_OPEN_REPARSE_POINT : 0), NULL);
        error = GetLastError();
        if (pin != INVALID_HANDLE_VALUE && nt &&
            !(GetFileInformationByHandle(pin, &opened) && SameFile(&made, &opened))) {
            CloseHandle(pin);
            pin = INVALID_HANDLE_VALUE;
            error = ERROR_FILE_INVALID;
        }
    }
    if (pin == INVALID_HANDLE_VALUE) {
        DeleteFileA(helper);
        SetLastError(error);
    }
    return pin;
}
