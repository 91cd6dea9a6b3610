// What the pages keep to themselves, declared for their unit tests.
#ifndef QUILLMERE_PAGES_INTERNAL_H
#define QUILLMERE_PAGES_INTERNAL_H

#include "pages.h"

// dir_page.cpp: g_baseDir, a separator when the base is longer than a drive root, and
// g_dirName.
BOOL ComposeInstallDir();

// folder_browser.cpp
#define DRIVE_SLOTS 26 // one for every drive letter
#define DRIVE_CHARS 5  // "C:\" and the terminator, with a spare
extern char g_drives[DRIVE_SLOTS][DRIVE_CHARS];
extern int g_driveCount;
extern int g_driveIndex;
void ReadDriveTable(const char *strings, int size);
void ChooseDefaultDrive();
DWORD FreeKilobytes(DWORD sectorsPerCluster, DWORD bytesPerSector, DWORD freeClusters);
void UpdateFreeSpace(int drive);

// folder_list.cpp
#define LIST_TEXT_CHARS 256
// A browser never walks so deep that a separator and the longest name no longer fit.
#define NAVIGATION_ROOM DIR_NAME_CHARS
extern int g_lastItem;
// Whether a browser shows the parent entry for a path of this length.
BOOL HasParentEntry(int length, BrowseMode mode);
// Walking a browser's folder: up cuts at the last backslash, down appends a folder name
// (refused, leaving the path as it was, when it would not fit).
void GoUp(char *path, BrowseMode mode);
BOOL GoDown(char *path, const char *name, BrowseMode mode);

// shortcut_page.cpp
// A folder, a separator unless it ends in one, and the product folder; refused, leaving the
// buffer as it was, when that would not fit.
BOOL ProgramGroupFolder(char *buffer, int size, const char *folder);
// Turns g_shortcutDir from the Start-menu folder into the program-group folder.
BOOL CompleteProgramGroup();

#endif
