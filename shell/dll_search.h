// Where libraries are loaded from. The installer and the product's programs run with
// administrator rights, so no library may come from a folder a normal user can write:
// the folder a program runs from (a download folder, the temporary folder) or the current
// folder. Shared by the installer and the product's own programs.
#ifndef QUILLMERE_DLL_SEARCH_H
#define QUILLMERE_DLL_SEARCH_H

#include <windows.h>

// Restricts every later load by bare name, including those the system's own libraries
// make, to the system folder, where the system can. Called first thing at start.
void RestrictDllSearch();

// Loads a library of the system folder by its full path, which is left in path (MAX_PATH
// characters) for a message.
HMODULE LoadSystemLibrary(const char *name, char *path);

// An export fetched with GetProcAddress, as the function type it has; NULL stays NULL.
template <typename Function> Function ExportAs(FARPROC function)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

#endif
