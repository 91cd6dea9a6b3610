#include "install.h"
#include "../shell/shell.h"
#include "../pages/pages.h"
#include <stdio.h>

int g_copyRow;
LONG g_copyBusy;
LONG g_copyCancelRequested;

#define ROW_PATH_CHARS (PATH_CHARS + MANIFEST_FIELD)
#define CANCEL_COPY_QUESTION                                                                   \
    "Are you sure you want to cancel the setup?\nAll installed files will be removed."

static char g_tempDir[PATH_CHARS];
static char g_sourcePath[ROW_PATH_CHARS];
static char g_destinationPath[ROW_PATH_CHARS];
static char g_statusText[2 * MANIFEST_FIELD + 16];
// Both paths whole: the message is composed by bounded copies, not by wsprintfA,
// which stops at 1024 characters.
static char g_failureText[2 * ROW_PATH_CHARS + 64];
static OFSTRUCT g_sourceRecord, g_destinationRecord;

static void ReportCopyFailure()
{
    KillStepTimer();
    ProgressEnd();
    CopyText(g_failureText, sizeof g_failureText, "Unable to copy a file:\nFrom=");
    AppendText(g_failureText, sizeof g_failureText, g_sourcePath);
    AppendText(g_failureText, sizeof g_failureText, "\nTo=");
    AppendText(g_failureText, sizeof g_failureText, g_destinationPath);
    AppendText(g_failureText, sizeof g_failureText, "\nProgram will exit");
    MessageBoxA(g_hCopyPage, g_failureText, "Error", MB_OK | MB_ICONERROR);
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

static void CompleteCopy()
{
    ProgressEnd();
    KillStepTimer();
    EndDialog(g_hCopyPage, 0);
    ShowShortcutPage(g_hMainWnd); // runs its own modal loop inside this tick
    g_copyBusy = 0;
}

// The row's resource into a temporary file; a short write (a full disk) is a failure.
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
    FILE *stream = fopen(g_sourcePath, "wb");
    if (!stream)
        return FALSE;
    size_t written = fwrite(bytes, 1, size, stream);
    if (fclose(stream) != 0 || written != size) {
        DeleteFileA(g_sourcePath);
        return FALSE;
    }
    return TRUE;
}

// Expands the temporary file to its destination through the LZ library.
static BOOL ExpandTemporaryFile(int row)
{
    DestinationOf(row, g_destinationPath);
    INT source = LZOpenFileA(g_sourcePath, &g_sourceRecord, OF_READ);
    INT destination = LZOpenFileA(g_destinationPath, &g_destinationRecord, OF_CREATE | OF_WRITE);
    BOOL copied = source >= 0 && destination >= 0 && LZCopy(source, destination) >= 0;
    if (source >= 0)
        LZClose(source);
    if (destination >= 0)
        LZClose(destination);
    DeleteFileA(g_sourcePath);
    return copied;
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
    if (row == 0)
        ProgressBegin(MANIFEST_ROWS - 1);
    wsprintfA(g_statusText, "FROM: %s  TO: %s", PayloadManifest.compressedName[row],
              PayloadManifest.destination[row]);
    SetDlgItemTextA(g_hCopyPage, IDC_COPY_STATUS, g_statusText);
    ProgressStep();

    g_sourcePath[0] = '\0';
    g_destinationPath[0] = '\0';
    GetTempPathA(PATH_CHARS, g_tempDir);
    if (!CopyText(g_sourcePath, ROW_PATH_CHARS, g_tempDir) ||
        !AppendText(g_sourcePath, ROW_PATH_CHARS, PayloadManifest.compressedName[row]) ||
        !WriteTemporaryFile(row) || !ExpandTemporaryFile(row)) {
        g_copyBusy = 0;
        ReportCopyFailure();
        return;
    }
    ++g_copyRow;
    g_copyBusy = 0;
}
