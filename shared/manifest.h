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

// Registry keys under HKEY_LOCAL_MACHINE: the uninstall entry lives below one of the two
// version keys, the application path below APP_PATHS_KEY; both are named PRODUCT_FOLDER.
#define WINDOWS_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
#define WINDOWS_NT_KEY "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
#define UNINSTALL_LIST "\\Uninstall\\"
#define APP_PATHS_KEY WINDOWS_KEY "\\App Paths"

#endif
