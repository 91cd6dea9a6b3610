// The extraction engine row by row, with LZ32's copy wrapped at link time: at the instant
// each row is copied, a second process tries to open the row's temporary file for writing,
// as any program of the same user could; over an installation, the disk cuts a row short.
// Folder creation and the engine's waits are wrapped too: the first row's first two folder
// names are answered ERROR_ACCESS_DENIED (one of them exists), and a scanner holds one
// row's file until the engine waits. MoveFileA is, so that one file cannot be put back.
#include "../check.h"
#include "files.h"
#include "../../install/install.h"
#include "../../shell/shell.h"
#include "../../pages/pages.h"
#include "../../shared/undo.h"
#include <string>
#include <string.h>
#include <lzexpand.h>

#define TRY_WRITING "--try-writing"
#define INSTALL_TO "C:\\unit-extract"
#define OPENED 0  // the second process's exit codes
#define REFUSED 1 // a sharing violation: the file is held
#define MISSING 2
#define SCANNED_ROW 2


static std::string g_self;
static std::string g_outcomes; // one letter a row: o opened, r refused, m missing
static std::string g_messages;
static int g_takenNames = 2;        // folder names still to answer as taken
static std::string g_plantedFolder; // the one that exists, another program's
static HANDLE g_scanner = INVALID_HANDLE_VALUE;
static int g_scannerWaits;

// The row's temporary file: in the temporary folder, or in a folder there.
static std::string FindTemporaryFile(const char *name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string direct = std::string(temp) + name;
    if (GetFileAttributesA(direct.c_str()) != INVALID_FILE_ATTRIBUTES)
        return direct;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(temp) + "*").c_str(), &found);
    std::string path;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more && path.empty();
         more = FindNextFileA(search, &found)) {
        std::string inside = std::string(temp) + found.cFileName + "\\" + name;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            GetFileAttributesA(inside.c_str()) != INVALID_FILE_ATTRIBUTES)
            path = inside;
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return path;
}

static int RowFoldersLeft()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(temp) + "qms*.tmp").c_str(), &found);
    int left = 0;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        left += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return left;
}

static DWORD RunSecondProcess(const std::string &path)
{
    std::string command = "\"" + g_self + "\" " TRY_WRITING " \"" + path + "\"";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    DWORD code = MISSING;
    if (CreateProcessA(g_self.c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return code;
}

static int WINAPI RecordMessage(HWND, LPCSTR text, LPCSTR caption, UINT)
{
    g_messages += std::string(caption) + ": " + text + "\n";
    return IDOK;
}
static BOOL WINAPI AnswerFolderTaken(LPCSTR path, LPSECURITY_ATTRIBUTES security);
static void WINAPI LetGoWhenWaited(DWORD);
ANSWER_IMPORT(MoveFileA, 8)
extern "C" {
void *g_wrapMessageBox asm("___wrap__imp__MessageBoxA@16") = (void *)RecordMessage;
void *g_wrapCreateDirectory asm("___wrap__imp__CreateDirectoryA@8") = (void *)AnswerFolderTaken;
void *g_wrapSleep asm("___wrap__imp__Sleep@4") = (void *)LetGoWhenWaited;
extern BOOL(WINAPI *g_realCreateDirectory)(LPCSTR, LPSECURITY_ATTRIBUTES) asm(
    "___real__imp__CreateDirectoryA@8");
LONG WINAPI __real_LZCopy(INT source, INT destination);
LONG WINAPI __wrap_LZCopy(INT source, INT destination);
}

// As Windows 9x, a network redirector or a folder whose removal is pending may answer.
static BOOL WINAPI AnswerFolderTaken(LPCSTR path, LPSECURITY_ATTRIBUTES security)
{
    if (g_takenNames > 0 && strstr(path, "\\qms")) {
        if (g_takenNames-- == 2 && g_realCreateDirectory(path, security))
            g_plantedFolder = path;
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return g_realCreateDirectory(path, security);
}

static void WINAPI LetGoWhenWaited(DWORD)
{
    if (g_scanner != INVALID_HANDLE_VALUE) {
        CloseHandle(g_scanner);
        g_scanner = INVALID_HANDLE_VALUE;
        ++g_scannerWaits;
    }
}

static int g_shortWriteRow = -1; // the row whose copy the disk cuts short
static bool g_watchRows = true;

LONG WINAPI __wrap_LZCopy(INT source, INT destination)
{
    if (!g_watchRows)
        return g_copyRow == g_shortWriteRow ? LZERROR_WRITE : __real_LZCopy(source, destination);
    std::string path = FindTemporaryFile(PayloadManifest.compressedName[g_copyRow]);
    DWORD code = path.empty() ? MISSING : RunSecondProcess(path);
    g_outcomes += code == OPENED ? 'o' : code == REFUSED ? 'r' : 'm';
    // A virus scanner's look, sharing everything, still open when the row ends.
    if (g_copyRow == SCANNED_ROW)
        g_scanner = CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, 0, NULL);
    return __real_LZCopy(source, destination);
}

static int TryWriting(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return OPENED;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION ? REFUSED : MISSING;
}

static bool SameFile(const std::string &a, const std::string &b)
{
    return FileText(a) != "-" && FileText(a) == FileText(b);
}

// All fourteen rows, from setup.exe's own resources into a folder of the test's.
static void TestRowsHoldTheirFiles(const std::string &payload)
{
    std::string setup = payload + "\\..\\setup.exe";
    g_hInstance = LoadLibraryExA(setup.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ok(g_hInstance != NULL, "setup.exe's resources from %s", setup.c_str());
    CreateDirectoryA(INSTALL_TO, NULL);
    CreateDirectoryA(INSTALL_TO "\\lists", NULL);
    CopyText(g_installDir, PATH_CHARS, INSTALL_TO);
    g_hCopyPage = g_hProgressCtl =
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 438, 20, NULL, NULL, NULL, NULL);
    HWND status = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 10, 10, g_hCopyPage,
                                  (HMENU)IDC_COPY_STATUS, NULL, NULL);
    char first[MAX_PATH] = "", last[MAX_PATH] = "";
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        ExpandNextPayload();
        GetWindowTextA(status, row == 0 ? first : last, MAX_PATH);
    }
    ok(g_copyRow == MANIFEST_ROWS && g_messages.empty(), "14 rows expanded; messages:\n%s",
       g_messages.c_str());
    ok(lstrcmpA(first, "FROM: qmcore.cf_  TO: \\qmcore.cfg") == 0 &&
           lstrcmpA(last, "FROM: GENERAL.DA__  TO: \\lists\\GENERAL.DAT") == 0,
       "the status line names the first row, \"%s\", and the last, \"%s\"", first, last);
    ok(g_outcomes == std::string(MANIFEST_ROWS, 'r'),
       "each row's temporary file is held against writing while it is copied: %s "
       "(r refused, o opened, m not found)",
       g_outcomes.c_str());
    int wrong = 0;
    for (int row = 0; row < MANIFEST_ROWS; ++row)
        wrong += !SameFile(std::string(INSTALL_TO) + PayloadManifest.destination[row],
                           payload + PayloadManifest.destination[row]);
    ok(wrong == 0, "every file expanded as built, %d differ", wrong);
    ok(g_scannerWaits == 1, "the engine waited for the scanner to let go of row %d's file",
       SCANNED_ROW);
    LetGoWhenWaited(0);
    int left = 0;
    for (int row = 0; row < MANIFEST_ROWS; ++row)
        left += !FindTemporaryFile(PayloadManifest.compressedName[row]).empty();
    ok(left == 0, "no temporary file is left, %d found", left);
    ok(!g_plantedFolder.empty() && RemoveDirectoryA(g_plantedFolder.c_str()),
       "the taken name's folder was left as it was");
    ok(RowFoldersLeft() == 0, "no folder of the installer's is left, %d found",
       RowFoldersLeft());
}

#define UNDO INSTALL_TO "\\" UNDO_PREFIX "1234"

static std::string Installed(int row, const char *prefix = "")
{
    char path[UNDO_PATH_CHARS];
    RowFile(path, INSTALL_TO, row, prefix);
    return path;
}

static std::string Saved(int row, const char *suffix = "")
{
    char path[UNDO_PATH_CHARS];
    SavedFile(path, UNDO, row, suffix);
    return path;
}

// How many installed files hold what the earlier installation left.
static int RowsAsBefore()
{
    int same = 0;
    for (int row = 0; row < MANIFEST_ROWS; ++row)
        same += FileText(Installed(row)) == "old " + std::to_string(row);
    return same;
}

// Files expanded in part or under another name, and undo folders.
static int LeftOver()
{
    int left = 0;
    const char *const patterns[] = {INSTALL_TO "\\*.??_", INSTALL_TO "\\lists\\*.??_",
                                    INSTALL_TO "\\~qm*", INSTALL_TO "\\lists\\~qm*"};
    for (const char *pattern : patterns) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern, &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
            left++;
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
    }
    return left;
}

// Rows from the first up to the one that fails; that row, MANIFEST_ROWS when none does,
// -1 when the copy cannot begin.
static int FailingRow()
{
    if (!BeginCopy())
        return -1;
    for (g_copyRow = 0; g_copyRow < MANIFEST_ROWS && ExpandRow(g_copyRow); ++g_copyRow)
        ;
    return g_copyRow;
}

// Over an installation, unattended: a row whose name a folder holds (the user's things in
// it) and a row the disk cuts short fail and leave nothing under another name; the copy
// then gives back every file as it was. A complete one replaces all but the user's
// settings and leaves nothing of its own beside them.
static void TestReinstallation(const std::string &payload)
{
    g_watchRows = false;
    g_switches.level = UI_SILENT;
    for (int row = 0; row < MANIFEST_ROWS; ++row)
        PutText(Installed(row), ("old " + std::to_string(row)).c_str());
    std::string help = Installed(7);
    DeleteFileA(help.c_str());
    CreateDirectoryA(help.c_str(), NULL);
    PutText(help + "\\mine.txt", "mine");
    bool failed = FailingRow() == 7;
    int left = LeftOver(); // the undo folder alone
    UndoCopy(FALSE);
    ok(failed && left == 1 && RowsAsBefore() == MANIFEST_ROWS - 1 &&
           FileText(help + "\\mine.txt") == "mine" && LeftOver() == 0,
       "a folder at row 7's name: it fails, %d of the installer's own beside the rows (its "
       "undo folder), %d of 13 as they were after the undo, %d left",
       left, RowsAsBefore(), LeftOver());
    DeleteFileA((help + "\\mine.txt").c_str());
    RemoveDirectoryA(help.c_str());
    PutText(help, "old 7");

    g_shortWriteRow = 11;
    failed = FailingRow() == 11;
    UndoCopy(FALSE);
    ok(failed && RowsAsBefore() == MANIFEST_ROWS && LeftOver() == 0,
       "a short write at row 11: it fails, %d of 14 as they were, %d left", RowsAsBefore(),
       LeftOver());
    g_shortWriteRow = -1;

    ok(FailingRow() == MANIFEST_ROWS, "the reinstallation expands every row");
    CommitCopy();
    int wrong = 0;
    for (int row = 0; row < MANIFEST_ROWS; ++row)
        wrong += row != 1 && !SameFile(Installed(row), payload + PayloadManifest.destination[row]);
    ok(wrong == 0 && RowsAsBefore() == 1 && LeftOver() == 0,
       "complete: %d files differ from the build, the user's settings kept (%d), %d left",
       wrong, RowsAsBefore(), LeftOver());
}

// Putting an installation folder right, as the next run finds what one that ended
// half-way left.
#define STATE_ROW 7 // \qmguide.hlp
#define USERS_FILE INSTALL_TO "\\my notes.txt"

static std::string g_refusedMove; // a destination the system refuses to move to
static std::string g_notes;

static BOOL WINAPI AnswerMoveFileA(LPCSTR from, LPCSTR to)
{
    if (g_refusedMove == to) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return g_realMoveFileA(from, to);
}

static void Note(const char *done, const char *path, DWORD error)
{
    g_notes += std::string(error ? "failed " : done) + path + "\n";
}

struct RecoveryCase {
    const char *state;
    const char *installed; // what the row's name holds when the run ended; NULL: nothing
    const char *saved;     // what the undo folder keeps of it
    bool absent;           // the mark that the name held nothing before
    bool complete;         // the mark that the copy was complete
    const char *expected;  // what the name holds once put right, "-" for nothing
};

// Each state once, put right twice; a partly expanded file, in the installation folder and
// in its sub-folder, always goes; the user's own file always stays.
static void TestRecovery()
{
    static const RecoveryCase cases[] = {
        {"replaced", "new", "old", false, false, "old"},
        {"set aside, the new file not yet in its place", NULL, "old", false, false, "old"},
        {"not yet set aside", "old", NULL, false, false, "old"},
        {"added", "new", NULL, true, false, "-"},
        {"to be added", NULL, NULL, true, false, "-"},
        {"complete", "new", "old", false, true, "new"},
        {"complete, added", "new", NULL, true, true, "new"},
    };
    PutText(USERS_FILE, "mine");
    for (const RecoveryCase &c : cases) {
        CreateDirectoryA(UNDO, NULL);
        PutText(Installed(STATE_ROW), c.installed);
        PutText(Saved(STATE_ROW), c.saved);
        PutText(Saved(STATE_ROW, ABSENT_SUFFIX), c.absent ? "" : NULL);
        PutText(UNDO "\\" UNDO_COMPLETE, c.complete ? "" : NULL);
        PutText(Installed(STATE_ROW, FRESH_PREFIX), "part");
        PutText(Installed(MANIFEST_ROWS - 1, FRESH_PREFIX), "part");
        g_notes.clear();
        int left = RecoverInstallation(INSTALL_TO, Note);
        std::string first = FileText(Installed(STATE_ROW));
        int leftOver = LeftOver();
        int again = RecoverInstallation(INSTALL_TO, Note);
        ok(left == 0 && again == 0 && first == c.expected &&
               FileText(Installed(STATE_ROW)) == c.expected && leftOver == 0 &&
               FileText(USERS_FILE) == "mine",
           "%s: expected \"%s\", got \"%s\" then \"%s\", %d and %d failed, %d left; notes:\n%s",
           c.state, c.expected, first.c_str(), FileText(Installed(STATE_ROW)).c_str(), left, again,
           leftOver, g_notes.c_str());
    }
}

// A file that cannot be put back is named and stays set aside, with its folder; the
// others are put back, and a later run puts back the last one.
static void TestRefusedRename()
{
    CreateDirectoryA(UNDO, NULL);
    PutText(UNDO "\\other.txt", "someone else's");
    for (int row = 2; row <= 4; ++row) {
        PutText(Installed(row), "new");
        PutText(Saved(row), "old");
    }
    g_refusedMove = Installed(3);
    g_notes.clear();
    int left = PutBack(INSTALL_TO, UNDO, FALSE, Note);
    ok(left == 1 && FileText(Installed(2)) == "old" && FileText(Installed(4)) == "old" &&
           FileText(Saved(3)) == "old" && g_notes.find("failed " + Installed(3)) != std::string::npos &&
           g_notes.find("Left " UNDO) != std::string::npos,
       "one file refused: 1 left (got %d), the others put back, it named; notes:\n%s", left,
       g_notes.c_str());
    g_refusedMove.clear();
    left = RecoverInstallation(INSTALL_TO, Note);
    ok(left == 0 && FileText(Installed(3)) == "old" && FileText(UNDO "\\other.txt") == "someone else's",
       "a later run puts it back (%d left) and leaves what is not its own", left);
}

int main(int argc, char **argv)
{
    if (argc == 3 && lstrcmpA(argv[1], TRY_WRITING) == 0)
        return TryWriting(argv[2]);
    g_self = argv[0];
    char self[MAX_PATH];
    if (GetModuleFileNameA(NULL, self, MAX_PATH))
        g_self = self;
    TestRowsHoldTheirFiles(argc > 1 ? argv[1] : ".");
    TestReinstallation(argc > 1 ? argv[1] : ".");
    TestRecovery();
    TestRefusedRename();
    return check_summary();
}
