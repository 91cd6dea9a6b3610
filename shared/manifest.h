// What an installation of the product consists of: its fourteen files, the shortcuts in
// its program group and its registry keys. Shared by the installer and the product's
// programs.
#ifndef QUILLMERE_MANIFEST_H
#define QUILLMERE_MANIFEST_H

// The installation directory, the program group and every other path of the installer
// fit in this many characters, the terminator included.
#define PATH_CHARS 2000

// The product folder, the program group and both registry keys carry this name.
#define PRODUCT_FOLDER "Quillmere"

// Held by the installer and the uninstaller for their whole run: one of them at a time.
#define ONE_AT_A_TIME "QuillmereSetupRunning"

#define MANIFEST_ROWS 14
#define MANIFEST_FIELD 40 // NUL-padded text

// Row n is the raw-data resource "FILEn"; its file goes to the installation directory
// followed by the row's destination, which begins with a backslash.
struct PayloadManifestTable {
    char compressedName[MANIFEST_ROWS][MANIFEST_FIELD];
    char destination[MANIFEST_ROWS][MANIFEST_FIELD];
};
extern const PayloadManifestTable PayloadManifest;

// Sub-directories of the installation directory that the payload needs.
#define PAYLOAD_SUBDIR_FIELD 10
#define PAYLOAD_SUBDIRS 1
extern const char PayloadSubdirs[PAYLOAD_SUBDIRS][PAYLOAD_SUBDIR_FIELD];

// The shortcuts in the program-group folder.
struct ShortcutRow {
    const char *linkFile; // appended to the program-group folder
    const char *target;   // appended to the installation directory
    const char *description;
};
#define SHORTCUT_ROWS 3
extern const ShortcutRow ProgramGroupShortcuts[SHORTCUT_ROWS];

// Registry keys under HKEY_LOCAL_MACHINE: the uninstall entry is UNINSTALL_KEY below one
// of the two version keys, the application path APP_PATH_KEY.
#define WINDOWS_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
#define WINDOWS_NT_KEY "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
#define UNINSTALL_KEY "\\Uninstall\\" PRODUCT_FOLDER
#define APP_PATHS_KEY WINDOWS_KEY "\\App Paths"
#define APP_PATH_KEY APP_PATHS_KEY "\\" PRODUCT_FOLDER

// The values of the uninstall entry that every system gets, and the application path's
// folder: written by the installer, read by the uninstaller.
#define ENTRY_NAME "DisplayName"
#define ENTRY_COMMAND "UninstallString"
#define ENTRY_GROUP_DIR "Scdir"
#define ENTRY_PROGRAM_DIR "Progdir"
#define APP_PATH_FOLDER "Path"

// The programs in the installation directory.
#define PROGRAM_FILE "\\quillmere.exe"
#define UNINSTALLER_FILE "\\removequill.exe"

#endif
