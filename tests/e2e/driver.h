// Drives setup.exe from a second process as a person would: finds its windows,
// reads their texts, presses buttons, answers message boxes, reads the screen.
#ifndef QUILLMERE_DRIVER_H
#define QUILLMERE_DRIVER_H

#include <windows.h>
#include <string>
#include <vector>
#include "../check.h"
#include "ids.h"

// Every wait gives up after this long: 15 s, or QM_WAIT_MS milliseconds (longer where
// 32-bit programs are emulated).
extern DWORD g_waitMs;
#define WAIT_MS g_waitMs

// Scenarios register themselves; the driver runs the one named on its command line.
typedef void (*ScenarioBody)();
struct ScenarioEntry {
    ScenarioEntry(const char *name, ScenarioBody body);
};
#define SCENARIO(name)                                                                      \
    static void scenario_##name();                                                         \
    static ScenarioEntry entry_##name(#name, scenario_##name);                             \
    static void scenario_##name()

// The program under test and any further arguments, from the driver's command line.
extern std::string g_setupPath;
extern std::string g_extraArgument;
// The folder of a build of a later version (its setup.exe and payload), the fourth argument.
extern std::string g_laterBuild;
// Starts and compares with the later build from now on (as the program under test and the
// payload), or with the build under test again.
void UseLaterBuild(bool later);

// Process: the program under test is setup.exe, or any program started or followed since.
// Unquoted, its path begins its command line as written, blanks and all, as a launcher
// that names only the program writes it.
bool StartSetup(const char *currentDir = "C:\\", const std::string &arguments = "",
                bool unquoted = false);
// Any program.
bool StartProgram(const std::string &path, const std::string &arguments, const char *currentDir,
                  bool unquoted = false);
// Runs a program with its standard output and error in a file and waits for its end; what
// it wrote. The program under test stays as it was.
std::string ProgramOutput(const std::string &path, const std::string &arguments);
// A program of the system folder, as this driver sees it.
std::string SystemProgram(const char *name);
// A process the program under test started, itself or through the programs it started,
// becomes the program under test: the first found, or the first whose file is fileName.
bool FollowChildProcess(const char *fileName = NULL, DWORD ms = WAIT_MS);
// The process with this id, running, becomes the program under test.
bool FollowProcess(DWORD id);
std::string ProgramImagePath();
// Whether the program under test and every process it started have ended.
bool ProgramTreeEnded();
// Watches until until() holds (at most ms) that no window of the program under test, or
// of any process it started, ever shows; false if one did (its title and class in *shown)
// or until() never held.
bool WatchUnseen(bool (*until)(), std::string *shown, DWORD ms = WAIT_MS);
// Raises every later wait to at least ms.
void WaitAtLeast(DWORD ms);
DWORD SetupProcessId();
// Waits for the program to end; returns its exit code, or STILL_ACTIVE after the time-out.
DWORD WaitSetupExit(DWORD ms = WAIT_MS);
void KillSetup();

// Windows
typedef bool (*WindowTest)(HWND window, void *context);
HWND WaitForWindow(WindowTest test, void *context, DWORD ms = WAIT_MS);
HWND WaitMainWindow();
// A visible dialog of the program that has a control with this id and text.
HWND WaitDialogWithControl(int id, const char *text, DWORD ms = WAIT_MS);
// The message box owned by owner (any owner of the program when NULL).
HWND WaitMessageBox(HWND owner, DWORD ms = WAIT_MS);
bool NoMessageBoxFor(DWORD ms);
bool WaitWindowGone(HWND window, DWORD ms = WAIT_MS);
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
// What a screen reader names a control: its name in Active Accessibility, "" when it has none.
std::string AccessibleName(HWND control);
std::string ClassName(HWND window);
void PressButton(HWND dialog, int id);
// Checks a message box's text and caption, then presses a button; returns false if none came.
bool AnswerMessageBox(HWND owner, const char *text, const char *caption, int button,
                      const char *file, int line);
#define ANSWER(owner, text, caption, button)                                                \
    AnswerMessageBox(owner, text, caption, button, __FILE__, __LINE__)
// Waits until the program has handled everything sent so far.
void Settle(HWND window);
// Checks that a window came (what names it), and lets it settle; returns it.
HWND Appeared(HWND window, const char *what);
// A visible dialog of the program with this caption.
HWND WaitDialogTitled(const char *title, DWORD ms = WAIT_MS);
// Waits until a control shows this text; false if it did not within ms.
bool WaitControlText(HWND dialog, int id, const std::string &text, DWORD ms = WAIT_MS);
// The control of dialog that has the keyboard focus, NULL when none of them has it.
HWND FocusedControl(HWND dialog);
// A key pressed and released as the keyboard would deliver it to the control that has
// the focus in dialog (to the dialog itself when none of its controls has it).
void PressKey(HWND dialog, UINT key);
// Presses Tab in dialog until control has the focus; false if the focus comes round
// without reaching it.
bool TabTo(HWND dialog, HWND control);
// Text put into an edit box as one change (WM_SETTEXT); the box notifies its dialog
// before this returns.
bool SetEditText(HWND edit, const char *text);

// Memory inside the program, for control messages that carry pointers.
struct RemoteMemory {
    explicit RemoteMemory(SIZE_T size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory &) = delete;
    RemoteMemory &operator=(const RemoteMemory &) = delete;
    bool Write(SIZE_T offset, const void *data, SIZE_T size);
    bool Read(SIZE_T offset, void *data, SIZE_T size);
    // The address as the program sees it, for lParam; 0 when there is no memory.
    LPARAM At(SIZE_T offset) const;
    BYTE *base;
    SIZE_T size;
};

// List views
int ListCount(HWND list);
std::string ListItemText(HWND list, int index);
// An item's rectangle in the list's client coordinates (part: LVIR_LABEL, LVIR_BOUNDS...).
bool ListItemRect(HWND list, int index, int part, RECT *rect);
// Item texts in the order the list shows them: down each column in list mode, along each
// row in the other modes.
std::vector<std::string> ListItems(HWND list);
// Index of the first item with exactly this text, -1 if there is none.
int FindListItem(HWND list, const char *text);
// Selects the item with a click on its label, as a mouse would.
bool ClickListItem(HWND list, int index);
// Selects the item with a click on its label, then double-clicks it, as a mouse would.
bool DoubleClickListItem(HWND list, int index);
// The selected item, -1 when there is none.
int SelectedListItem(HWND list);
// Presses a key (VK_DOWN, VK_HOME...) in the list, which must have the focus, and waits
// until its selection moves; false if it did not.
bool StepList(HWND list, UINT key);
// Presses Down in the list until the item with this text is selected; false if it never is.
bool ArrowToListItem(HWND list, const char *text);

// Combo boxes
std::vector<std::string> ComboItems(HWND combo);
std::string ComboSelection(HWND combo);
// Presses an arrow key (VK_DOWN, VK_UP) on the closed combo box and waits until its
// selection moves; false if it did not.
bool StepCombo(HWND combo, UINT key);

// Files, read through the driver's own file system view.
bool ReadWholeFile(const char *path, std::string *text);
bool WriteWholeFile(const char *path, const std::string &text);

// Stand-ins for 32-bit libraries, left where an attacker could leave them: each writes its
// path to PLANTED_LOG when it is loaded. Planted in folder under each of names
// ("lz32,uxtheme"), and made native-first (as Windows treats libraries it does not
// protect) for every program from then on.
#define PLANTED_LOG "C:\\planted-libraries.log"
bool PlantLibraries(const std::string &folder, const char *names);

// Screen
struct Screenshot {
    int width;
    int height;
    DWORD *pixels; // 0x00RRGGBB, top row first
};
Screenshot CaptureScreen();
// The screen once window and its controls have painted all they had to and the picture
// has stopped changing: a busy machine brings a new page to the screen in steps.
Screenshot CaptureSettled(HWND window);
void FreeScreenshot(Screenshot *shot);
DWORD ScreenPixel(const Screenshot *shot, int x, int y);
bool SaveScreenshotBmp(const Screenshot *shot, const char *path);
// A bitmap resource of the program under test, in the screen's pixels.
bool LoadProgramBitmap(const char *name, Screenshot *picture);
// A .bmp file, in the screen's pixels.
bool LoadBitmapFile(const char *path, Screenshot *picture);
// A picture stretched to width x height in a stretch mode (HALFTONE, COLORONCOLOR...).
Screenshot StretchedPicture(const Screenshot *picture, int width, int height, int mode);

// The system as the programs started from now on see it: the Windows version setup.exe
// and removequill.exe alone report ("win98", "winxp"...; not the uninstaller's helper copy),
// and the display's dots per inch, which Wine reads when a program starts (the driver keeps
// its own).
void ReportWindowsVersion(const char *version);
void SetDisplayDpi(DWORD dpi);


// The installation as a person makes it with setup.exe
#define INSTALL_DIR "C:\\Program files\\Quillmere"
#define START_MENU "C:\\windows\\Start Menu"
#define PROGRAMS START_MENU "\\Programs"
#define PROGRAM_GROUP PROGRAMS "\\Quillmere"
// The all-users Programs folder of Windows since Vista, as Wine names it.
#define SYSTEM_PROGRAMS "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"
#define SYSTEM_GROUP SYSTEM_PROGRAMS "\\Quillmere"
#define NT_UNINSTALL "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Uninstall\\Quillmere"
#define WIN_UNINSTALL "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmere"
#define APP_PATH "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quillmere"

struct PayloadRow {
    const char *temporary;
    const char *destination;
};
#define PAYLOAD_ROWS 14
extern const PayloadRow g_rows[PAYLOAD_ROWS];
std::string Installed(int row, const char *installDir = INSTALL_DIR);
// Whether the row's file is a program or a library, which carry version resources.
bool IsProgramRow(int row);
std::string TemporaryFolder();
// The names in the temporary folder, sorted; StartSetup notes them.
std::vector<std::string> TemporaryFolderEntries();
// The names a pattern ("C:\\folder\\*.txt") finds, sorted.
std::vector<std::string> FolderEntries(const std::string &pattern);
void MakeStartMenu();
void AcceptLicence();
// onDirPage (may be NULL) works on the directory page before "Next".
HWND NextOnDirPage(void (*onDirPage)(HWND dirPage) = NULL);
HWND WaitCopyPage();
// Licence, directory, copy and the shortcut page's "Finnish" with the program group
// proposed in PROGRAMS; onCopyPage (may be NULL) watches the copy page.
void InstallToFinish(void (*onCopyPage)(HWND copyPage),
                     void (*onDirPage)(HWND dirPage) = NULL);
// Starts setup.exe and goes through licence, directory and copy to the shortcut page.
HWND StartToShortcutPage();
// The shell window that shows the new program group; closed again like a person would.
void CheckFolderOpened();
void ExpectSuccess();
// "Finnish" pressed once the shortcut page is up, then the program group's window and the
// success message, exit code 0.
void FinishAndExpectSuccess();
// Starts setup.exe and installs to its success message by the default road, with the Start
// menu's Programs folder in the Windows directory; false when it could not start.
bool InstallWithStartMenu();

// Files, registry and shortcuts as the installed product left them, nothing of the
// installer's own beside the files; the temporary folder as it was when setup.exe started;
// settings: what the user's own settings hold, which a reinstallation keeps (NULL: as built).
#define SETTINGS_ROW 1 // userprefs.cfg
void CheckInstalledFiles(const char *installDir = INSTALL_DIR, const char *settings = NULL);
// What the installer may leave beside the installed files, "" when there is nothing.
std::string InstallerFilesLeft(const char *installDir = INSTALL_DIR);
// The three shortcuts in folder, leading into installDir.
void CheckShortcuts(const char *folder, const char *installDir = INSTALL_DIR);
// The uninstall entries: below the "Windows NT" key on the NT family only, as the
// installer always wrote it; below the "Windows" key, which the system's list reads, with
// a quoted command and what the list shows. Then the application path.
void CheckRegistry(bool windowsNT, const char *group = PROGRAM_GROUP,
                   const char *installDir = INSTALL_DIR);
// The whole file, or "" when it cannot be read.
std::string FileContents(const char *path);
bool SameFileContents(const char *a, const char *b);
bool FileExists(const char *path);
bool FolderExists(const char *path);
// A REG_SZ value under HKEY_LOCAL_MACHINE as setup.exe, a 32-bit program, sees it, or
// "<missing>".
std::string MachineString(const char *key, const char *name);
bool MachineKeyExists(const char *key);
// In the 64-bit or the 32-bit registry view.
bool MachineKeyInEitherView(const char *key);
// Reads a shortcut file back through the shell link object.
bool ReadShortcut(const char *linkFile, std::string *target, std::string *description);

// The removal as a person makes it with Remove Quillmere (removal.cpp)
#define UNINSTALLER INSTALL_DIR "\\removequill.exe"
#define REMOVE_CAPTION "Remove Quillmere"
#define CONFIRM_TEXT(group)                                                                 \
    "Remove Quillmere from\n" INSTALL_DIR "\nand its shortcuts from\n" group                \
    "?\n\nFiles that Quillmere did not install are kept."
// The installed files and the shortcuts in group that are still there.
int InstalledItemsLeft(const char *group);
// The uninstall entries and the application path still there, in either registry view.
int ProductKeysLeft();
// Yes to Remove Quillmere's question: its first process ends once everything of the
// installation is gone, and the copy of it in the temporary folder that it started
// becomes the program under test.
bool ConfirmRemoval(const char *question, const char *group);
// The helper's report, answered, and its exit code.
void ExpectReport(const char *report, DWORD expected);

// Versions: a text of a file's version resource ("ProductVersion", "CompanyName"...), or
// "<none>"; a file's version, "a.b.c.d" where the resource's fixed file and product
// versions and its FileVersion and ProductVersion texts agree, else all four.
std::string VersionText(const std::string &path, const char *name);
std::string FileVersion(const std::string &path);
// The question setup.exe asks before its licence where the later build's version is
// installed, checked to name that version, then its own; answered with button, or with
// Enter, as its default, when 0.
bool AnswerDowngrade(int button, const char *file, int line);
#define ANSWER_DOWNGRADE(button) AnswerDowngrade(button, __FILE__, __LINE__)

#endif
