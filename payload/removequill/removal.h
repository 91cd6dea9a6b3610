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
};

// Whether a running program (Quillmere) holds an installed file, which then cannot go.
BOOL InstalledFileInUse(const Installation *installation);
// Removes the installation's files, shortcuts, empty folders, its uninstall entries and
// its application path, under WOW64 in both registry views; all but the uninstaller's own
// file and the installation folder, which cannot go while the uninstaller started from
// there runs. Starts from an empty record.
void RemoveInstallation(const Installation *installation, Removal *removal);
// The uninstaller's own file, and the installation folder when it is empty.
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

#endif
