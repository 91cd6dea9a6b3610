// How a reinstallation keeps the files it replaces until it is complete, and how what an
// ended run left in an installation folder is put right. Shared by the installer, which
// writes this way, and the uninstaller, which puts an ended installation right before it
// removes anything.
#ifndef QUILLMERE_UNDO_H
#define QUILLMERE_UNDO_H

#include <windows.h>
#include "manifest.h"

// A row's file is expanded beside its destination under the file's name led by this, and
// takes the destination's name once it is whole.
#define FRESH_PREFIX "~qmnew."
// The files a reinstallation replaces go into a hidden folder of its own in the
// installation folder, named UNDO_PREFIX and a number, each under its own name; a file
// that was not there is marked by its name and ABSENT_SUFFIX. UNDO_COMPLETE says that the
// copy was complete, so that what is set aside only goes.
#define UNDO_PREFIX "~qmundo."
#define ABSENT_SUFFIX ".none"
#define UNDO_COMPLETE "~complete"

// Room for any of these paths: the installation folder, the undo folder's name, a file's.
#define UNDO_PATH_CHARS (PATH_CHARS + 2 * MANIFEST_FIELD)

// Told of each file put right: done says what became of path, unless error is not 0.
typedef void (*UndoNote)(const char *done, const char *path, DWORD error);

// The row's file under installDir, its name led by prefix ("" for the installed file
// itself), in path (UNDO_PATH_CHARS characters).
BOOL RowFile(char *path, const char *installDir, int row, const char *prefix);
// Where the undo folder keeps the row's file (suffix "") or its mark (ABSENT_SUFFIX).
BOOL SavedFile(char *path, const char *undoFolder, int row, const char *suffix);

// Marks the copy complete, so that, should the run end before what is set aside has gone,
// the next one only removes it.
void MarkComplete(const char *undoFolder);
// Unless the copy was complete, each file the undo folder holds takes its place again and
// each file that was not there before goes; then what is set aside goes, and the folder
// with it. The number of files that could not be put back or removed.
int PutBack(const char *installDir, const char *undoFolder, BOOL complete, UndoNote note);
// Every undo folder an ended run left in installDir put back (or, when the installation is
// to go anyway, only removed: discard), and the partly expanded files removed; note may be
// NULL. The number of files that could not be put right.
int RecoverInstallation(const char *installDir, UndoNote note, BOOL discard = FALSE);

#endif
