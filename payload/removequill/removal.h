// Finding an installation of Quillmere through its uninstall entry, and removing exactly
// what the installer made: its files, shortcuts, folders and registry keys; and the
// uninstaller's helper copy, through which its own file can go too.
#ifndef QUILLMERE_REMOVAL_H
#define QUILLMERE_REMOVAL_H

#include <windows.h>
#include "api.h"
#include "manifest.h"

#define ENTRY_NAME_CHARS 200    // a registry key path, "HKEY_LOCAL_MACHINE\..." included
#define LEFT_CHARS 8192
#define REPORT_CHARS (LEFT_CHARS + 512)

struct Installation {
    char programDir[PATH_CHARS]; // ENTRY_PROGRAM_DIR: the installation folder
    char groupDir[PATH_CHARS];   // ENTRY_GROUP_DIR: the program-group folder
};

enum FindResult { INSTALLATION_FOUND, NOT_INSTALLED, ENTRY_DAMAGED };

// Looks in the uninstall lists below both version keys, under WOW64 in the 64-bit and the
// 32-bit registry view. For ENTRY_DAMAGED, entry names the key whose values cannot be used.
FindResult FindInstallation(Installation *installation, char *entry, int entrySize);

struct Removal {
    int removedFiles;
    int removedShortcuts;
    int removedFolders;
    int removedKeys;
    int missing;          // installed files and shortcuts that were already gone
    int leftCount;        // items that stay
    int failed;           // of those, the ones an error kept
    int atRestart;        // of those, files in use that go at the next restart
    int leftShown;        // of those, the ones that fit in left
    char left[LEFT_CHARS]; // "item: why" lines
    char asideFolder[PATH_CHARS];    // where files in use are set aside
    char uninstallerAside[MAX_PATH]; // the uninstaller's own file there, "" when not set aside
};

// Whether a running program (Quillmere) holds an installed file, which then cannot go.
BOOL InstalledFileInUse(const Installation *installation);
// Removes the installation's files, shortcuts, empty folders, its uninstall entries and
// its application path, under WOW64 in both registry views. Files in use, the running
// uninstaller's own file among them, are set aside beside the installation folder where
// the system can, and the folder goes when it is empty; where not, the uninstaller's file
// and the folder stay for FinishRemoval. Starts from an empty record.
void RemoveInstallation(const Installation *installation, Removal *removal);
// Once the uninstaller started from the installation has ended: its file set aside, or
// else its file and the installation folder when it is empty, as long as no new setup or
// removal has begun.
void FinishRemoval(const Installation *installation, Removal *removal);
// ERROR_SUCCESS when everything went or only the user's own items stay;
// ERROR_SUCCESS_REBOOT_REQUIRED when files in use go at the next restart;
// ERROR_INSTALL_FAILURE when an error keeps anything.
int RemovalExitCode(const Removal *removal);
// Records an item that stays and why.
void NoteLeft(Removal *removal, const char *item, const char *why);
// The final message: what stays and why, then what was removed.
void ComposeReport(const Removal *removal, char *text, int size);

// A file made new in folder, never through anything that was there under its name, that
// holds own; its path goes to helper (MAX_PATH characters). Returned open for reading and
// shared for reading alone: while it is held no program can write, rename or delete it.
// INVALID_HANDLE_VALUE when it cannot be made, with nothing left behind and the reason
// left for GetLastError.
HANDLE MakeHelperFile(const char *folder, const FileBytes *own, char *helper);

// restart.cpp: what cannot go at once
#define NEW_NAME_ATTEMPTS 64
// The attempt'th name ("rmqXXXX.tmp") of a new file of the uninstaller's own in folder,
// into name (MAX_PATH characters); FALSE when the folder's path is too long for one.
BOOL NewName(const char *folder, int attempt, char *name);
// Renames the file at path, which cannot go yet (a running program's, a library in use),
// to a new name in folder on its volume, left in aside (MAX_PATH characters), so that its
// own name is free at once. FALSE where the system cannot: Windows 9x, a file held open
// without delete sharing.
BOOL SetAside(const char *path, const char *folder, char *aside);
// Marks the file for removal at the next restart: through MoveFileExA on the NT family,
// through the [rename] section of WININIT.INI where that call is missing (Windows 9x).
// FALSE with the reason left for GetLastError.
BOOL RemoveAtRestart(const char *path);

#endif
