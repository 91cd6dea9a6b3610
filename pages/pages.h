// The wizard pages and the folder browsers.
#ifndef QUILLMERE_PAGES_H
#define QUILLMERE_PAGES_H

#include <windows.h>
#include "../shell/shell.h"

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
int ShowDirPage(HWND owner);
// The folder the page proposes, in g_installDir: the command line's, or the product
// folder in the default place; with the free space of its drive.
void ProposeInstallDir();
// Makes g_installDir and any folder it lies in, protected (MakeProtectedFolder); FALSE when
// it cannot be made or exists.
BOOL MakeInstallDir();

// folder_browser.cpp: the drive and folder in which the product folder is made
extern char g_baseDir[PATH_CHARS];
extern char g_dirName[DIR_NAME_CHARS];
extern DWORD g_freeKB;
void ScanDrives();
// A folder named in full ("X:\\parent\\name", which fits g_baseDir and g_dirName) as the
// chosen drive, parent and name.
void ChooseFolder(const char *folder);
// "X:\\parent\\name" becomes "X:\\parent", "X:\\name" becomes "X:\\".
void CutToParent(char *folder);
INT_PTR CALLBACK FolderBrowserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// folder_list.cpp: the list both browsers show and walk
enum BrowseMode { BROWSE_FOLDER = 0, BROWSE_SHORTCUT = 1 };
void CreateBrowserImages(HWND list);
void FillFolderList(HWND dialog, HWND list, char *path, BrowseMode mode);
// A double-click in a browser's list: into the selected folder or up, then the list again.
void WalkFolderList(HWND dialog, HWND list, char *path, BrowseMode mode);
// OK from Enter in a browser's list: walks as a double-click when the list has the focus
// and an item is selected; FALSE, having done nothing, otherwise.
BOOL WalkOnEnter(HWND dialog, HWND list, char *path, BrowseMode mode);

// shortcut_browser.cpp: walks g_shortcutDir
INT_PTR CALLBACK ShortcutBrowserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// shortcut_page.cpp
extern char g_shortcutDir[PATH_CHARS];
extern DWORD g_winVersion;
// The last page, opened by the extraction engine once every payload file is in place.
int ShowShortcutPage(HWND owner);
// What "Finnish" does, in the program group the page would propose, without the page.
void FinishUnattended();

#endif
