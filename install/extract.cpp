#include "install.h"
#include "../shared/sharing.h"
#include "../shared/undo.h"
#include "../shell/shell.h"
#include "../pages/pages.h"

int g_copyRow;
LONG g_copyBusy;
LONG g_copyCancelRequested;

// The temporary folder, a folder of the installer's own in it or beside the installed
// files, and a file's name.
#define ROW_PATH_CHARS UNDO_PATH_CHARS
#define NEW_FOLDER_ATTEMPTS 64
#define ROW_RELEASE_WAITS 8 // for another program to let go of the row's file
#define ROW_RELEASE_WAIT_MS 25
#define IN_USE_TEXT "Quillmere is running. Close it, then choose Retry."
#define CANCEL_COPY_QUESTION                                                                   \
    "Are you sure you want to cancel the setup?\nAll installed files will be removed."
#define NOT_PUT_BACK "These files could not be put back as they were:\n"
#define SETTINGS_ROW 1 // userprefs.cfg, the user's own settings

// What a row holds while it is expanded. Its compressed file goes through a folder of the
// installer's own, made new in the temporary folder, so that nothing planted there under
// a row's name (a link to some other file) is ever opened. The file is made new in that
// folder and held open with no write or delete sharing from its creation until the LZ
// library, which reads it through that same handle, has expanded it. On Windows NT
// closing the handles deletes the file, then the folder; Windows 9x can neither open a
// folder nor delete on close, so there both go by name. The expanded file is made new
// beside its destination and takes the destination's name only once it is whole, so that
// the name always holds a whole file.
struct Row {
    char folder[ROW_PATH_CHARS];
    char source[ROW_PATH_CHARS];
    char fresh[ROW_PATH_CHARS]; // the expanded file until it is whole
    char destination[ROW_PATH_CHARS];
    BOOL folderMade;
    HANDLE folderHandle;
    HANDLE temporaryFile;
    INT lzSource; // the LZ library's handle over temporaryFile
    LONG expandedBytes;
};
static Row g_row;
static char g_tempDir[PATH_CHARS];
static char g_statusText[2 * MANIFEST_FIELD + 16];
// Both paths whole: the message is composed by bounded copies, not by wsprintfA,
// which stops at 1024 characters.
static char g_failureText[2 * ROW_PATH_CHARS + 64];

// A reinstallation moves each file it replaces into a hidden folder of its own in the
// installation folder, and gives them back if the copy does not complete; nobody but
// administrators can change what lies there. A first installation has none.
static BOOL g_reinstalling;
static char g_undoFolder[ROW_PATH_CHARS];
static char g_notPutBack[sizeof NOT_PUT_BACK + 4 * ROW_PATH_CHARS];

// Told of each file a reinstallation gives back, and of each that an ended run left: all
// are logged; the files that could not be put back are named to the user too.
static void NoteUndo(const char *done, const char *path, DWORD error)
{
    if (!error) {
        LogLine(done, path);
        return;
    }
    LogFailure(path, error);
    AppendText(g_notPutBack, sizeof g_notPutBack, path) &&
        AppendText(g_notPutBack, sizeof g_notPutBack, "\n");
}

void RecoverFolder(const char *folder)
{
    RecoverInstallation(folder, NoteUndo);
}

// The undo folder put back unless the copy is complete, and gone.
static void ReleaseUndoFolder(BOOL complete)
{
    if (g_undoFolder[0])
        PutBack(g_installDir, g_undoFolder, complete, NoteUndo);
    g_undoFolder[0] = '\0';
}

// The row's file a first installation wrote.
static void DestinationOf(int row, char *path)
{
    RowFile(path, g_installDir, row, "");
}

// After a cancel or a failure, a reinstallation gives back every file it replaced and
// removes every file it added; a first installation, cancelled, removes the files it
// expanded, and, failed, leaves them. A file that cannot be put back is never passed over.
void UndoCopy(BOOL cancelled)
{
    CopyText(g_notPutBack, sizeof g_notPutBack, NOT_PUT_BACK);
    if (g_reinstalling) {
        ReleaseUndoFolder(FALSE);
    } else if (cancelled) {
        // Files that cannot be deleted stay: the cancelled message follows regardless.
        char path[ROW_PATH_CHARS];
        for (int row = 0; row < g_copyRow; ++row) {
            DestinationOf(row, path);
            DeleteFileA(path);
        }
    }
    if (lstrlenA(g_notPutBack) > (int)sizeof NOT_PUT_BACK - 1)
        Report(g_hMainWnd, g_notPutBack, "Error", MB_OK | MB_ICONERROR);
}

// Once the last row is in place the copy is complete: what it set aside goes, first marked
// so, should the run end half-way through, that the next one only finishes the job.
void CommitCopy()
{
    if (g_undoFolder[0])
        MarkComplete(g_undoFolder);
    ReleaseUndoFolder(TRUE);
}

static void ReportCopyFailure()
{
    KillStepTimer();
    ProgressEnd();
    CopyText(g_failureText, sizeof g_failureText, "Unable to copy a file:\nFrom=");
    AppendText(g_failureText, sizeof g_failureText, g_row.source);
    AppendText(g_failureText, sizeof g_failureText, "\nTo=");
    AppendText(g_failureText, sizeof g_failureText, g_row.destination);
    AppendText(g_failureText, sizeof g_failureText, "\nProgram will exit");
    Report(g_hCopyPage, g_failureText, "Error", MB_OK | MB_ICONERROR);
    EndDialog(g_hCopyPage, 0);
    UndoCopy(FALSE);
    ArmStep(ID_STEP_ERROR, 100);
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
    ProgressEnd();
    EndDialog(g_hCopyPage, 0);
    UndoCopy(TRUE);
    ArmStep(ID_STEP_CANCELLED, 100);
}

// Unattended, the shortcuts go where the shortcut page would propose them.
static void CompleteCopy()
{
    ProgressEnd();
    KillStepTimer();
    EndDialog(g_hCopyPage, 0);
    CommitCopy();
    if (g_switches.level == UI_FULL) {
        ShowShortcutPage(g_hMainWnd); // runs its own modal loop inside this tick
    } else {
        FinishUnattended();
        ArmStep(ID_STEP_DONE, 100);
    }
    g_copyBusy = 0;
}

static BOOL Exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// A folder made new, parent followed by a name of format and a number. A name that is
// taken, by anything, is passed over, whatever the error says: Windows 9x and some network
// redirectors answer ERROR_ACCESS_DENIED for a name that exists, Windows NT for a folder
// whose removal is pending (which cannot be seen either). A missing parent fails at once.
static BOOL MakeNewFolder(char *path, const char *parent, const char *format)
{
    UINT first = GetTickCount();
    char name[16];
    for (int attempt = 0; attempt < NEW_FOLDER_ATTEMPTS; ++attempt) {
        wsprintfA(name, format, (first + attempt) & 0xFFFF);
        if (!CopyText(path, ROW_PATH_CHARS, parent) || !AppendText(path, ROW_PATH_CHARS, name))
            return FALSE;
        if (CreateDirectoryA(path, NULL))
            return TRUE;
        if (!Exists(path) && !Exists(parent))
            return FALSE;
    }
    return FALSE;
}

// On Windows NT the row's folder is held open without delete sharing, so it cannot be
// swapped for a link while the row is expanded, and closing it removes it; FALSE when
// what is there is not a plain folder.
static BOOL HoldRowFolder()
{
    if (!OnWindowsNT())
        return TRUE;
    g_row.folderHandle = CreateFileA(g_row.folder, DELETE | FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT |
                                         FILE_FLAG_DELETE_ON_CLOSE,
                                     NULL);
    BY_HANDLE_FILE_INFORMATION folder;
    return g_row.folderHandle != INVALID_HANDLE_VALUE &&
           GetFileInformationByHandle(g_row.folderHandle, &folder) &&
           (folder.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
               FILE_ATTRIBUTE_DIRECTORY;
}

// The reinstallation's undo folder, made new and hidden before its first row; while it is
// made its path stands as the row's destination, which a failure then names.
static BOOL MakeUndoFolder()
{
    if (!MakeNewFolder(g_row.destination, g_installDir, "\\" UNDO_PREFIX "%04X"))
        return FALSE;
    SetFileAttributesA(g_row.destination, FILE_ATTRIBUTE_HIDDEN);
    CopyText(g_undoFolder, sizeof g_undoFolder, g_row.destination);
    g_row.destination[0] = '\0';
    return TRUE;
}

// The row's folder in the temporary folder, held and removed on close on NT, and the
// temporary file's path in it, which a failure names even when the folder was not made.
static BOOL MakeRowFolder(int row)
{
    g_row.folderMade = MakeNewFolder(g_row.folder, g_tempDir, "qms%04X.tmp");
    BOOL named = CopyText(g_row.source, ROW_PATH_CHARS, g_row.folder) &&
                 AppendText(g_row.source, ROW_PATH_CHARS, "\\") &&
                 AppendText(g_row.source, ROW_PATH_CHARS, PayloadManifest.compressedName[row]);
    return g_row.folderMade && named && HoldRowFolder();
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
    g_row.temporaryFile = CreateFileA(g_row.source, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                      NULL, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY |
                                          (OnWindowsNT() ? FILE_FLAG_DELETE_ON_CLOSE : 0),
                                      NULL);
    DWORD written = 0;
    return g_row.temporaryFile != INVALID_HANDLE_VALUE &&
           WriteFile(g_row.temporaryFile, bytes, size, &written, NULL) && written == size &&
           SetFilePointer(g_row.temporaryFile, 0, NULL, FILE_BEGIN) == 0;
}

// A reinstallation keeps the file the row replaces, or marks that there was none, so that
// either can be given back.
static BOOL SetAside(int row, BOOL replaces)
{
    char saved[ROW_PATH_CHARS];
    if (!g_undoFolder[0])
        return TRUE;
    if (!SavedFile(saved, g_undoFolder, row, replaces ? "" : ABSENT_SUFFIX))
        return FALSE;
    if (replaces)
        return MoveFileA(g_row.destination, saved);
    HANDLE mark = CreateFileA(saved, GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
    return mark != INVALID_HANDLE_VALUE && CloseHandle(mark);
}

// Expands the temporary file, which the LZ library reads through the handle held, into a
// file made new beside the destination, which takes the destination's name once it is
// whole. A row is written only when its own name holds the expanded bytes: a short write,
// a failed flush or close, a folder standing at the name (never moved: it may hold the
// user's things) are failures.
static BOOL ExpandTemporaryFile(int row)
{
    if (!RowFile(g_row.destination, g_installDir, row, "") ||
        !RowFile(g_row.fresh, g_installDir, row, FRESH_PREFIX))
        return FALSE;
    DWORD attributes = GetFileAttributesA(g_row.destination);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    DeleteFileA(g_row.fresh); // what an ended run left under the installer's own name
    HANDLE fresh = CreateFileA(g_row.fresh, GENERIC_WRITE, 0, NULL, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (fresh == INVALID_HANDLE_VALUE)
        return FALSE;
    g_row.lzSource = LZInit((INT)(INT_PTR)g_row.temporaryFile);
    g_row.expandedBytes = g_row.lzSource >= 0 ? LZCopy(g_row.lzSource, (INT)(INT_PTR)fresh) : -1;
    BOOL whole = g_row.expandedBytes >= 0 && FlushFileBuffers(fresh);
    whole = CloseHandle(fresh) && whole;
    return whole && SetAside(row, attributes != INVALID_FILE_ATTRIBUTES) &&
           MoveFileA(g_row.fresh, g_row.destination);
}

// The row's file is gone once its name is not found; until then (a virus scanner or an
// indexer may hold it a moment longer, and its removal stays pending) its folder cannot go.
static BOOL RowFileGone()
{
    return GetFileAttributesA(g_row.source) == INVALID_FILE_ATTRIBUTES &&
           GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Lets go of the row's temporary file and folder, whatever became of the row, and of the
// expanded file where it did not take its name. The folder goes once its file has gone,
// waited for a short while; on Windows NT it is held meanwhile, so that nothing can take
// its place.
static void ReleaseRow(BOOL expanded)
{
    BOOL fileMade = g_row.temporaryFile != INVALID_HANDLE_VALUE;
    if (fileMade) {
        if (g_row.lzSource >= 0)
            LZClose(g_row.lzSource); // closes the file's handle too
        else
            CloseHandle(g_row.temporaryFile);
    }
    if (!expanded && g_row.fresh[0])
        DeleteFileA(g_row.fresh); // the installer's own name, never the installed file's
    for (int wait = 0; g_row.folderMade && wait < ROW_RELEASE_WAITS; ++wait) {
        if (fileMade && !OnWindowsNT())
            DeleteFileA(g_row.source);
        if (RowFileGone())
            break;
        Sleep(ROW_RELEASE_WAIT_MS);
    }
    if (g_row.folderHandle != INVALID_HANDLE_VALUE)
        CloseHandle(g_row.folderHandle);
    else if (g_row.folderMade)
        RemoveDirectoryA(g_row.folder);
}

// A row starts with nothing made and nothing held.
static void StartRow()
{
    ZeroMemory(&g_row, sizeof g_row);
    g_row.folderHandle = g_row.temporaryFile = INVALID_HANDLE_VALUE;
    g_row.lzSource = -1;
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

// The user's own settings stay as the user left them.
static BOOL KeptSettings(int row)
{
    char path[ROW_PATH_CHARS];
    DestinationOf(row, path);
    DWORD attributes = GetFileAttributesA(path);
    if (row != SETTINGS_ROW || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FALSE;
    LogLine("Kept ", path);
    return TRUE;
}

BOOL ExpandRow(int row)
{
    if (KeptSettings(row))
        return TRUE;
    StartRow();
    DWORD tempLength = GetTempPathA(PATH_CHARS, g_tempDir);
    BOOL expanded = (!g_reinstalling || g_undoFolder[0] || MakeUndoFolder()) && tempLength > 0 &&
                    tempLength < PATH_CHARS && MakeRowFolder(row) && WriteTemporaryFile(row) &&
                    ExpandTemporaryFile(row);
    DWORD error = GetLastError();
    ReleaseRow(expanded);
    if (expanded) {
        Log("Wrote ");
        Log(g_row.destination);
        LogNumber(", bytes: ", (DWORD)g_row.expandedBytes);
    } else {
        LogFailure(g_row.destination[0] ? g_row.destination : PayloadManifest.destination[row],
                   error);
    }
    return expanded;
}

// Windows will not let a running program's files be written: a reinstallation over a
// running Quillmere would stop half-way, old files beside new ones. Asked, the user closes
// it and tries again, or cancels; unattended, nothing is written. Any installed file there
// makes it a reinstallation, which gives back what it replaces should the copy not
// complete.
static BOOL FilesFree()
{
    char path[ROW_PATH_CHARS];
    g_reinstalling = FALSE;
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        DestinationOf(row, path);
        DWORD attributes = GetFileAttributesA(path);
        g_reinstalling |= attributes != INVALID_FILE_ATTRIBUTES &&
                          !(attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (FileInUse(path)) {
            LogLine("In use: ", path);
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
    return TRUE;
}

BOOL BeginCopy()
{
    RecoverFolder(g_installDir);
    if (!FilesFree())
        return FALSE;
    MakePayloadFolders();
    g_undoFolder[0] = '\0';
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
        if (!BeginCopy()) {
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
