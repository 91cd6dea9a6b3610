// Putting an installation folder right: each state a run that ended half-way can leave,
// put right once and again, and a file that cannot be put back (MoveFileA is wrapped at
// link time) named while the rest is still put back.
#include "../check.h"
#include "../../shared/undo.h"
#include <string>

#define INSTALL_TO "C:\\unit-undo"
#define UNDO INSTALL_TO "\\" UNDO_PREFIX "1234"
#define ROW 7         // \qmguide.hlp
#define LISTS_ROW 13  // \lists\GENERAL.DAT
#define USERS_FILE INSTALL_TO "\\my notes.txt"

ANSWER_IMPORT(MoveFileA, 8)
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

static std::string Path(int row, const char *prefix = "")
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

// A file holding text, or none for NULL.
static void Put(const std::string &path, const char *text)
{
    DeleteFileA(path.c_str());
    if (!text)
        return;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
    DWORD written;
    WriteFile(file, text, lstrlenA(text), &written, NULL);
    CloseHandle(file);
}

// What the file holds, "-" when there is none.
static std::string Holds(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "-";
    char text[64];
    DWORD read = 0;
    ReadFile(file, text, sizeof text, &read, NULL);
    CloseHandle(file);
    return std::string(text, read);
}

static bool Exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

struct RecoveryCase {
    const char *state;
    const char *installed; // what the row's name holds when the run ended; NULL: nothing
    const char *saved;     // what the undo folder keeps of it
    bool absent;           // the mark that the name held nothing before
    bool complete;         // the mark that the copy was complete
    const char *expected;  // what the name holds once put right
};

static const RecoveryCase g_cases[] = {
    {"replaced", "new", "old", false, false, "old"},
    {"set aside, the new file not yet in its place", NULL, "old", false, false, "old"},
    {"not yet set aside", "old", NULL, false, false, "old"},
    {"added", "new", NULL, true, false, NULL},
    {"to be added", NULL, NULL, true, false, NULL},
    {"complete", "new", "old", false, true, "new"},
    {"complete, added", "new", NULL, true, true, "new"},
};

// Each state once, put right twice; a partly expanded file, in the installation folder and
// in its sub-folder, always goes; the user's own file always stays.
static void TestRecovery()
{
    for (const RecoveryCase &c : g_cases) {
        CreateDirectoryA(UNDO, NULL);
        Put(Path(ROW), c.installed);
        Put(Saved(ROW), c.saved);
        Put(Saved(ROW, ABSENT_SUFFIX), c.absent ? "" : NULL);
        Put(UNDO "\\" UNDO_COMPLETE, c.complete ? "" : NULL);
        Put(Path(ROW, FRESH_PREFIX), "part");
        Put(Path(LISTS_ROW, FRESH_PREFIX), "part");
        g_notes.clear();
        int left = RecoverInstallation(INSTALL_TO, Note);
        std::string expected = c.expected ? c.expected : "-", first = Holds(Path(ROW));
        bool tidy = !Exists(UNDO) && !Exists(Path(ROW, FRESH_PREFIX).c_str()) &&
                    !Exists(Path(LISTS_ROW, FRESH_PREFIX).c_str());
        int again = RecoverInstallation(INSTALL_TO, Note);
        ok(left == 0 && again == 0 && first == expected && Holds(Path(ROW)) == expected &&
               tidy && Holds(USERS_FILE) == "mine",
           "%s: expected \"%s\", got \"%s\" then \"%s\", %d and %d left, %s; notes:\n%s",
           c.state, expected.c_str(), first.c_str(), Holds(Path(ROW)).c_str(), left, again,
           tidy ? "nothing of the run left" : "something of the run left", g_notes.c_str());
    }
}

// A file that cannot be put back is named and stays set aside, with its folder; the
// others are put back, and a later run puts back the last one.
static void TestRefusedRename()
{
    CreateDirectoryA(UNDO, NULL);
    Put(UNDO "\\other.txt", "someone else's");
    for (int row = 2; row <= 4; ++row) {
        Put(Path(row), "new");
        Put(Saved(row), "old");
    }
    g_refusedMove = Path(3);
    g_notes.clear();
    int left = PutBack(INSTALL_TO, UNDO, FALSE, Note);
    ok(left == 1 && Holds(Path(2)) == "old" && Holds(Path(4)) == "old" &&
           Holds(Saved(3)) == "old" && Holds(Path(3)) == "-" &&
           g_notes.find("failed " + Path(3)) != std::string::npos &&
           g_notes.find("Left " UNDO) != std::string::npos,
       "one file refused: 1 left (got %d), the others put back, it named; notes:\n%s", left,
       g_notes.c_str());
    g_refusedMove.clear();
    left = RecoverInstallation(INSTALL_TO, Note);
    ok(left == 0 && Holds(Path(3)) == "old" && Holds(UNDO "\\other.txt") == "someone else's",
       "a later run puts it back (%d left) and leaves what is not its own", left);
    DeleteFileA(UNDO "\\other.txt");
    RemoveDirectoryA(UNDO);
}

int main()
{
    CreateDirectoryA(INSTALL_TO, NULL);
    CreateDirectoryA(INSTALL_TO "\\lists", NULL);
    Put(USERS_FILE, "mine");
    TestRecovery();
    TestRefusedRename();
    return check_summary();
}
