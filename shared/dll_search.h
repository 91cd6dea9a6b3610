// Where libraries are loaded from. The installer and the product's programs run with
// administrator rights, so no library may come from a folder a normal user can write:
// the folder a program runs from (a download folder, the temporary folder) or the current
// folder. Shared by the installer and the product's own programs.
#ifndef QUILLMERE_DLL_SEARCH_H
#define QUILLMERE_DLL_SEARCH_H

#include <windows.h>

// Restricts every later load by bare name, including those the system's own libraries
// make, to the system folder, where the system can. Where it cannot or must not (Windows
// before 8 without its update for this; Vista), the libraries that theming loads by bare
// name once a window is made, then the program's own preload list, are loaded from the
// system folder first, so that later loads by name find them loaded. Called first thing
// at start.
void RestrictDllSearch(const char *const *preload = NULL, int count = 0);

// The full path of a library of the system folder into path (MAX_PATH characters), or
// the bare name, and FALSE, where the system folder's path is not known.
BOOL SystemLibraryPath(const char *name, char *path);
// Loads a library of the system folder by its full path, left in path as above.
HMODULE LoadSystemLibrary(const char *name, char *path);

// An export fetched with GetProcAddress, as the function type it has; NULL stays NULL.
template <typename Function> Function ExportAs(FARPROC function)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

#endif
