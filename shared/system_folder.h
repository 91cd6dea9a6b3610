// Folders the system names. Shared by the installer and the product's program.
#ifndef QUILLMERE_SYSTEM_FOLDER_H
#define QUILLMERE_SYSTEM_FOLDER_H

#include <windows.h>

BOOL IsFolder(const char *path);

// The existing folder the system names for a CSIDL_ value, in folder (MAX_PATH characters);
// FALSE when it names none. Windows 98 and NT 4 may lack the shell's calls for it: for
// CSIDL_COMMON_PROGRAMS the registry then still answers.
BOOL SystemFolder(int csidl, char *folder);

#endif
