#include "undo.h"
#include "text.h"

// The file's name in the row's destination, after its last separator.
static const char *NameOf(int row)
{
    const char *name = PayloadManifest.destination[row];
    for (const char *c = name; *c; ++c) {
        if (*c == '\\')
            name = c + 1;
    }
    return name;
}

BOOL RowFile(char *path, const char *installDir, int row, const char *prefix)
{
    const char *destination = PayloadManifest.destination[row];
    int folder = (int)(NameOf(row) - destination); // "\" or "\lists\"
    if (!CopyText(path, UNDO_PATH_CHARS, installDir) ||
        lstrlenA(path) + folder >= UNDO_PATH_CHARS)
        return FALSE;
    lstrcpynA(path + lstrlenA(path), destination, folder + 1);
    return AppendText(path, UNDO_PATH_CHARS, prefix) &&
           AppendText(path, UNDO_PATH_CHARS, NameOf(row));
}

static BOOL Join(char *path, const char *folder, const char *name, const char *suffix)
{
    return CopyText(path, UNDO_PATH_CHARS, folder) && AppendText(path, UNDO_PATH_CHARS, "\\") &&
           AppendText(path, UNDO_PATH_CHARS, name) && AppendText(path, UNDO_PATH_CHARS, suffix);
}

BOOL SavedFile(char *path, const char *undoFolder, int row, const char *suffix)
{
    return Join(path, undoFolder, NameOf(row), suffix);
}

// A folder standing where a file belongs may hold the user's things: it is never touched.
static BOOL IsFile(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A read-only file too: files copied from a CD are.
static BOOL RemoveFile(const char *path)
{
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path);
}

// Whether it went; the note is told either way.
static BOOL Tell(UndoNote note, const char *done, const char *path, BOOL went)
{
    if (note)
        note(done, path, went ? 0 : GetLastError());
    return went;
}

// Kept out of the stack, whose frames must stay within a page.
static char g_saved[UNDO_PATH_CHARS];
static char g_installed[UNDO_PATH_CHARS];

void MarkComplete(const char *undoFolder)
{
    if (Join(g_saved, undoFolder, UNDO_COMPLETE, ""))
        CloseHandle(CreateFileA(g_saved, GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL));
}

int PutBack(const char *installDir, const char *undoFolder, BOOL complete, UndoNote note)
{
    char *saved = g_saved, *installed = g_installed;
    complete = complete || (Join(saved, undoFolder, UNDO_COMPLETE, "") && IsFile(saved));
    int left = 0;
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        for (int absent = 0; absent < 2; ++absent) {
            if (!SavedFile(saved, undoFolder, row, absent ? ABSENT_SUFFIX : "") ||
                !IsFile(saved) || !RowFile(installed, installDir, row, ""))
                continue;
            // What the copy wrote goes, what it replaced takes its place again; what stays
            // set aside can still be put back by the next run.
            if (!complete) {
                BOOL wrote = IsFile(installed);
                BOOL done = (!wrote || RemoveFile(installed)) &&
                            (absent || MoveFileA(saved, installed));
                if (wrote || !absent)
                    Tell(note, absent ? "Removed " : "Put back ", installed, done);
                if (!done) {
                    ++left;
                    continue;
                }
            }
            RemoveFile(saved);
        }
    }
    if (Join(saved, undoFolder, UNDO_COMPLETE, ""))
        RemoveFile(saved);
    // Anything else in it is left alone, and the folder with it.
    if (!RemoveDirectoryA(undoFolder) && note)
        note("Left ", undoFolder, 0);
    return left;
}

int RecoverInstallation(const char *installDir, UndoNote note, BOOL discard)
{
    char path[UNDO_PATH_CHARS];
    int left = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = Join(path, installDir, UNDO_PREFIX "*", "")
                        ? FindFirstFileA(path, &found)
                        : INVALID_HANDLE_VALUE;
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
                FILE_ATTRIBUTE_DIRECTORY &&
            Join(path, installDir, found.cFileName, ""))
            left += PutBack(installDir, path, discard, note);
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        if (RowFile(path, installDir, row, FRESH_PREFIX) && IsFile(path) &&
            !Tell(note, "Removed ", path, RemoveFile(path)))
            ++left;
    }
    return left;
}
