// The wizard pages and the folder browsers.
#ifndef QUILLMERE_PAGES_H
#define QUILLMERE_PAGES_H

#include <windows.h>
#include "../shell/shell.h"
#include "../shared/manifest.h"

// Texts more than one page or browser shows.
#define CANCEL_SETUP_QUESTION "Are you sure you want to cancel the setup?"
#define CANCEL_SETUP_CAPTION "Question"
#define NO_NAME_WARNING "You forget to select a directory"
#define NO_NAME_CAPTION "Warning"
#define NOT_ENOUGH_SPACE_ERROR                                                                 \
    "You do not have enough Free disk space on this drive for installation. Change the "      \
    "drive or remove some other program-s to free more disk space."

#define REQUIRED_KB 5473 // free space the installation needs, in units of 1000 bytes
#define DIR_NAME_CHARS 100

// agreement_page.cpp
int ShowAgreementPage(HWND owner);

// dir_page.cpp
extern char g_installDir[PATH_CHARS];
extern SECURITY_ATTRIBUTES g_securityAttributes;
// g_baseDir, a separator when the base is longer than a drive root, and g_dirName.
BOOL ComposeInstallDir();
int ShowDirPage(HWND owner);

// folder_browser.cpp
#define DRIVE_SLOTS 26       // one for every drive letter
#define DRIVE_CHARS 5        // "C:\" and the terminator, with a spare
#define DRIVE_STRINGS_BYTES (DRIVE_SLOTS * 4 + 1)
#define LIST_TEXT_CHARS 256
// A browser never walks so deep that a separator and the longest name no longer fit.
#define NAVIGATION_ROOM DIR_NAME_CHARS

enum BrowseMode { BROWSE_FOLDER = 0, BROWSE_SHORTCUT = 1 };

extern char g_drives[DRIVE_SLOTS][DRIVE_CHARS];
extern int g_driveCount;
extern int g_driveIndex;
extern char g_baseDir[PATH_CHARS];
extern char g_dirName[DIR_NAME_CHARS];
extern DWORD g_freeKB;
extern char g_textBuf[PATH_CHARS];
extern int g_lastItem;
extern int g_imageFolder, g_imageParent, g_imageNew;

void ReadDriveTable(const char *strings, int size);
void ChooseDefaultDrive();
void ScanDrives();
DWORD FreeKilobytes(DWORD sectorsPerCluster, DWORD bytesPerSector, DWORD freeClusters);
void UpdateFreeSpace(int drive);
// Whether a browser shows the parent entry for a path of this length.
BOOL HasParentEntry(int length, BrowseMode mode);
void FillFolderList(HWND dialog, HWND list, char *path, BrowseMode mode);
int AddListItem(HWND list, const char *text, int index, int image);
void CreateBrowserImages(HWND list);
// Walking a browser's folder: up cuts at the last backslash, down appends a folder name
// (refused, leaving the path as it was, when it would not fit).
void GoUp(char *path, BrowseMode mode);
BOOL GoDown(char *path, const char *name, BrowseMode mode);
// A double-click in a browser's list: into the selected folder or up, then the list again.
void WalkFolderList(HWND dialog, HWND list, char *path, BrowseMode mode);
// OK from Enter in a browser's list: walks as a double-click when the list has the focus
// and an item is selected; FALSE, having done nothing, otherwise.
BOOL WalkOnEnter(HWND dialog, HWND list, char *path, BrowseMode mode);
INT_PTR CALLBACK FolderBrowserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// shortcut_browser.cpp: walks g_shortcutDir
INT_PTR CALLBACK ShortcutBrowserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// shortcut_page.cpp
extern char g_shortcutDir[PATH_CHARS];
extern DWORD g_winVersion;
// A folder, a separator unless it ends in one, and the product folder; refused, leaving the
// buffer as it was, when that would not fit.
BOOL ProgramGroupFolder(char *buffer, int size, const char *folder);
// Turns g_shortcutDir from the Start-menu folder into the program-group folder.
BOOL CompleteProgramGroup();
// The last page, opened by the extraction engine once every payload file is in place.
int ShowShortcutPage(HWND owner);

#endif
