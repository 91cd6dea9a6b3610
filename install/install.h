// The installation engine: payload extraction, copy page and progress bar, shortcuts and
// registry entries.
#ifndef QUILLMERE_INSTALL_H
#define QUILLMERE_INSTALL_H

#include <windows.h>
#include "../shared/manifest.h"

// extract.cpp
extern int g_copyRow;
extern LONG g_copyBusy;
extern LONG g_copyCancelRequested;
void ExpandNextPayload();
// The installation directory's sub-directories.
void MakePayloadFolders();
// What an ended run left in folder put right, logged.
void RecoverFolder(const char *folder);
// Before the first row, without a page: the installation directory put right, no installed
// file held by a running program (FALSE when the user cancels or, unattended, with the
// exit code set), its sub-directories made; whether an installation is there to give back.
BOOL BeginCopy();
// One row's file in its place, logged.
BOOL ExpandRow(int row);
// After the last row: what a reinstallation set aside goes.
void CommitCopy();
// After a cancel or a failure: a reinstallation gives back what it replaced; a first
// installation, cancelled, removes what it expanded.
void UndoCopy(BOOL cancelled);

// copy_page.cpp
extern HWND g_hCopyPage;
extern HWND g_hProgressCtl;
int ShowCopyPage(HWND owner);

// progress.cpp: the hand-drawn bar, made ready when its page opens, drawn from the first
// row to the last; safe to end more than once.
void ProgressPrepare();
void ProgressBegin(LONG n);
void ProgressStep();
void ProgressEnd();

// shortcut.cpp: one shell link; a link path longer than MAX_PATH - 1 is refused, not cut.
HRESULT CreateShortcut(const char *target, const char *linkFile, const char *description);

// folder_security.cpp: the installation folder as Program Files is kept, where the system
// has permissions (Windows NT): owned by Administrators; Administrators and SYSTEM have
// full control, Users read and execute, there and, inherited, below; nothing comes from
// its parent. setup.exe, the uninstaller and the recovery of a stopped installation trust
// what lies there.
// A folder made so; Windows 9x makes a plain one.
BOOL MakeProtectedFolder(const char *folder);
// An existing folder outside the system's Program Files folder that someone other than
// Administrators and SYSTEM owns or may change is given that protection, and the log says
// so; FALSE, reported, when it cannot be, or the folder is a link. TRUE on Windows 9x and
// for a folder that does not exist.
BOOL ProtectInstallFolder(const char *folder);

// registry.cpp
// The uninstall entry and the application path; a version key that cannot be opened is
// reported in a message box owned by the main window. The entry below the "Windows" key,
// which the system's list of installed programs reads, is written on every system, with
// what the list shows; the NT family also gets the entry below its own version key.
void WriteRegistryEntries();
// A folder an earlier installation recorded in its entry (name: "Progdir" or "Scdir"),
// into folder (PATH_CHARS characters), where it names one that exists.
BOOL RecordedFolder(const char *name, char *folder);

// version.cpp: the installed version against this one's, both logged. A later one installed
// is replaced only when the user, asked in a message box owned by owner, says Yes;
// unattended nothing is written and the exit code says why. FALSE when the run goes no
// further. Where no installation tells its version, TRUE, and nothing logged.
BOOL AcceptInstalledVersion(HWND owner);

#endif
