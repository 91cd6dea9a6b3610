#include "install.h"
#include "../shared/sharing.h"
#include "../shell/shell.h"
#include "../pages/pages.h"

int g_copyRow;
LONG g_copyBusy;
LONG g_copyCancelRequested;

// The temporary folder, the row's folder in it and the compressed name.
#define ROW_PATH_CHARS (PATH_CHARS + MANIFEST_FIELD + 16)
#define ROW_FOLDER_ATTEMPTS 64
#define ROW_RELEASE_WAITS 8 // for another program to let go of the row's file
#define ROW_RELEASE_WAIT_MS 25
#define IN_USE_TEXT "Quillmere is running. Close it, then choose Retry."
#define CANCEL_COPY_QUESTION                                                                   \
    "Are you sure you want to cancel the setup?\nAll installed files will be removed."

static char g_tempDir[PATH_CHARS];
static char g_rowFolder[ROW_PATH_CHARS];
static char g_sourcePath[ROW_PATH_CHARS];
static char g_destinationPath[ROW_PATH_CHARS];
static char g_statusText[2 * MANIFEST_FIELD + 16];
// Both paths whole: the message is composed by bounded copies, not by wsprintfA,
// which stops at 1024 characters.
static char g_failureText[2 * ROW_PATH_CHARS + 64];
static OFSTRUCT g_destinationRecord;
static LONG g_expandedBytes;

// What a row holds while it is expanded. Its compressed file goes through a folder of the
// installer's own, made new in the temporary folder, so that nothing planted there under
// a row's name (a link to some other file) is ever opened. The file is made new in that
// folder and held open with no write or delete sharing from its creation until the LZ
// library, which reads it through that same handle, has expanded it. On Windows NT
// closing the handles deletes the file, then the folder; Windows 9x can neither open a
// folder nor delete on close, so there both go by name.
static BOOL g_rowFolderMade;
static HANDLE g_rowFolderHandle;
static HANDLE g_temporaryFile;
static INT g_lzSource; // the LZ library's handle over g_temporaryFile

static void ReportCopyFailure()
{
    KillStepTimer();
    ProgressEnd();
    CopyText(g_failureText, sizeof g_failureText, "Unable to copy a file:\nFrom=");
    AppendText(g_failureText, sizeof g_failureText, g_sourcePath);
    AppendText(g_failureText, sizeof g_failureText, "\nTo=");
    AppendText(g_failureText, sizeof g_failureText, g_destinationPath);
    AppendText(g_failureText, sizeof g_failureText, "\nProgram will exit");
    Report(g_hCopyPage, g_failureText, "Error", MB_OK | MB_ICONERROR);
    EndDialog(g_hCopyPage, 0);
    ArmStep(ID_STEP_ERROR, 100);
}

// The buffer holds the longest installation directory and destination together.
static void DestinationOf(int row, char *path)
{
    CopyText(path, ROW_PATH_CHARS, g_installDir);
    AppendText(path, ROW_PATH_CHARS, PayloadManifest.destination[row]);
}

static void AskCancelCopy()
{
    KillStepTimer();
    if (MessageBoxA(g_hCopyPage, CANCEL_COPY_QUESTION, CANCEL_SETUP_CAPTION,
                    MB_YESNO | MB_ICONQUESTION) != IDYES) {
        ArmStep(ID_STEP_EXTRACT, 100);
        g_copyCancelRequested = 0;
        return;
    }
    // Files that cannot be deleted stay: the cancelled message follows regardless.
    char path[ROW_PATH_CHARS];
    for (int row = 0; row < g_copyRow; ++row) {
        DestinationOf(row, path);
        DeleteFileA(path);
    }
    ProgressEnd();
    EndDialog(g_hCopyPage, 0);
    ArmStep(ID_STEP_CANCELLED, 100);
}

// Unattended, the shortcuts go where the shortcut page would propose them.
static void CompleteCopy()
{
    ProgressEnd();
    KillStepTimer();
    EndDialog(g_hCopyPage, 0);
    if (g_switches.level == UI_FULL) {
        ShowShortcutPage(g_hMainWnd); // runs its own modal loop inside this tick
    } else {
        FinishUnattended();
        ArmStep(ID_STEP_DONE, 100);
    }
    g_copyBusy = 0;
}

// On Windows NT the folder is held open without delete sharing, so it cannot be swapped
// for a link while the row is expanded, and closing it removes it.
static BOOL HoldRowFolder()
{
    if (!OnWindowsNT())
        return TRUE;
    g_rowFolderHandle = CreateFileA(g_rowFolder, DELETE | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT |
                                        FILE_FLAG_DELETE_ON_CLOSE,
                                    NULL);
    BY_HANDLE_FILE_INFORMATION folder;
    return g_rowFolderHandle != INVALID_HANDLE_VALUE &&
           GetFileInformationByHandle(g_rowFolderHandle, &folder) &&
           (folder.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
               FILE_ATTRIBUTE_DIRECTORY;
}

static BOOL Exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// A new folder in the temporary folder, and the temporary file's path in it. A name that
// is taken, by anything, is passed over, whatever the error says: Windows 9x and some
// network redirectors answer ERROR_ACCESS_DENIED for a name that exists, Windows NT for a
// folder whose removal is pending (which cannot be seen either). A missing temporary
// folder fails at once.
static BOOL MakeRowFolder(int row)
{
    UINT first = GetTickCount();
    char name[16];
    for (int attempt = 0; attempt < ROW_FOLDER_ATTEMPTS; ++attempt) {
        wsprintfA(name, "qms%04X.tmp", (first + attempt) & 0xFFFF);
        if (!CopyText(g_rowFolder, ROW_PATH_CHARS, g_tempDir) ||
            !AppendText(g_rowFolder, ROW_PATH_CHARS, name) ||
            !CopyText(g_sourcePath, ROW_PATH_CHARS, g_rowFolder) ||
            !AppendText(g_sourcePath, ROW_PATH_CHARS, "\\") ||
            !AppendText(g_sourcePath, ROW_PATH_CHARS, PayloadManifest.compressedName[row]))
            return FALSE;
        if (CreateDirectoryA(g_rowFolder, NULL)) {
            g_rowFolderMade = TRUE;
            return HoldRowFolder();
        }
        if (!Exists(g_rowFolder) && !Exists(g_tempDir))
            return FALSE;
    }
    return FALSE;
}

// The row's resource into a temporary file made new; a short write (a full disk) is a
// failure.
static BOOL WriteTemporaryFile(int row)
{
    char name[16];
    wsprintfA(name, "FILE%d", row);
    HRSRC resource = FindResourceA(g_hInstance, name, RT_RCDATA);
    if (!resource)
        return FALSE;
    HGLOBAL loaded = LoadResource(g_hInstance, resource);
    if (!loaded)
        return FALSE;
    const void *bytes = LockResource(loaded);
    if (!bytes)
        return FALSE;
    DWORD size = SizeofResource(g_hInstance, resource);
    g_temporaryFile = CreateFileA(g_sourcePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                  NULL, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY |
                                      (OnWindowsNT() ? FILE_FLAG_DELETE_ON_CLOSE : 0),
                                  NULL);
    DWORD written = 0;
    return g_temporaryFile != INVALID_HANDLE_VALUE &&
           WriteFile(g_temporaryFile, bytes, size, &written, NULL) && written == size &&
           SetFilePointer(g_temporaryFile, 0, NULL, FILE_BEGIN) == 0;
}

// Expands the temporary file to its destination through the LZ library, which reads it
// through the handle held.
static BOOL ExpandTemporaryFile(int row)
{
    DestinationOf(row, g_destinationPath);
    g_lzSource = LZInit((INT)(INT_PTR)g_temporaryFile);
    INT destination = LZOpenFileA(g_destinationPath, &g_destinationRecord, OF_CREATE | OF_WRITE);
    g_expandedBytes = g_lzSource >= 0 && destination >= 0 ? LZCopy(g_lzSource, destination) : -1;
    if (destination >= 0)
        LZClose(destination);
    return g_expandedBytes >= 0;
}

// The row's file is gone once its name is not found; until then (a virus scanner or an
// indexer may hold it a moment longer, and its removal stays pending) its folder cannot go.
static BOOL RowFileGone()
{
    return GetFileAttributesA(g_sourcePath) == INVALID_FILE_ATTRIBUTES &&
           GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Lets go of the row's temporary file and folder, whatever became of the row. The folder
// goes once its file has gone, waited for a short while; on Windows NT it is held
// meanwhile, so that nothing can take its place.
static void ReleaseRow()
{
    BOOL fileMade = g_temporaryFile != INVALID_HANDLE_VALUE;
    if (fileMade) {
        if (g_lzSource >= 0)
            LZClose(g_lzSource); // closes the file's handle too
        else
            CloseHandle(g_temporaryFile);
    }
    for (int wait = 0; g_rowFolderMade && wait < ROW_RELEASE_WAITS; ++wait) {
        if (fileMade && !OnWindowsNT())
            DeleteFileA(g_sourcePath);
        if (RowFileGone())
            break;
        Sleep(ROW_RELEASE_WAIT_MS);
    }
    if (g_rowFolderHandle != INVALID_HANDLE_VALUE)
        CloseHandle(g_rowFolderHandle);
    else if (g_rowFolderMade)
        RemoveDirectoryA(g_rowFolder);
}

// A row starts with nothing made and nothing held.
static void StartRow()
{
    g_sourcePath[0] = '\0';
    g_destinationPath[0] = '\0';
    g_rowFolderMade = FALSE;
    g_rowFolderHandle = g_temporaryFile = INVALID_HANDLE_VALUE;
    g_lzSource = -1;
}

void MakePayloadFolders()
{
    for (int i = 0; i < PAYLOAD_SUBDIRS; ++i) {
        char path[PATH_CHARS + PAYLOAD_SUBDIR_FIELD];
        if (CopyText(path, sizeof path, g_installDir) &&
            AppendText(path, sizeof path, PayloadSubdirs[i]))
            CreateDirectoryA(path, NULL);
    }
}

BOOL ExpandRow(int row)
{
    StartRow();
    DWORD tempLength = GetTempPathA(PATH_CHARS, g_tempDir);
    BOOL expanded = tempLength > 0 && tempLength < PATH_CHARS && MakeRowFolder(row) &&
                    WriteTemporaryFile(row) && ExpandTemporaryFile(row);
    DWORD error = GetLastError();
    ReleaseRow();
    if (expanded) {
        Log("Wrote ");
        Log(g_destinationPath);
        LogNumber(", bytes: ", (DWORD)g_expandedBytes);
    } else {
        LogFailure(PayloadManifest.destination[row], error);
    }
    return expanded;
}

// Windows will not let a running program's files be written: a reinstallation over a
// running Quillmere would stop half-way, old files beside new ones. Asked, the user closes
// it and tries again, or cancels; unattended, nothing is written.
BOOL FilesFree()
{
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        DestinationOf(row, g_destinationPath);
        if (FileInUse(g_destinationPath)) {
            LogLine("In use: ", g_destinationPath);
            if (g_switches.level != UI_FULL) {
                SetExitCode(ERROR_SHARING_VIOLATION);
                return FALSE;
            }
            if (MessageBoxA(g_hCopyPage, IN_USE_TEXT, "Setup",
                            MB_RETRYCANCEL | MB_ICONEXCLAMATION) != IDRETRY)
                return FALSE;
            row = -1; // look again from the first
        }
    }
    g_destinationPath[0] = '\0';
    return TRUE;
}

void ExpandNextPayload()
{
    if (g_copyBusy || g_copyCancelRequested) {
        if (g_copyCancelRequested == 1)
            AskCancelCopy();
        return;
    }
    if (g_copyRow >= MANIFEST_ROWS) {
        CompleteCopy();
        return;
    }
    int row = g_copyRow;
    g_copyBusy = 1;
    if (row == 0) {
        KillStepTimer(); // no tick while the user is asked
        if (!FilesFree()) {
            EndDialog(g_hCopyPage, 0);
            ArmStep(g_switches.level ? ID_STEP_ERROR : ID_STEP_CANCELLED, 100);
            return;
        }
        ArmStep(ID_STEP_EXTRACT, 50);
        ProgressBegin(MANIFEST_ROWS - 1);
    }
    wsprintfA(g_statusText, "FROM: %s  TO: %s", PayloadManifest.compressedName[row],
              PayloadManifest.destination[row]);
    SetDlgItemTextA(g_hCopyPage, IDC_COPY_STATUS, g_statusText);
    ProgressStep();

    BOOL expanded = ExpandRow(row);
    g_copyBusy = 0;
    if (!expanded) {
        ReportCopyFailure();
        return;
    }
    ++g_copyRow;
}
