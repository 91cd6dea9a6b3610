// Small helpers over the Windows API shared by Quillmere's programs.
#ifndef QUILLMERE_API_H
#define QUILLMERE_API_H

#include <windows.h>

// "error N: <the system's description>", cut to fit; the number alone when the system
// has no description.
void DescribeError(DWORD error, char *text, int size);

// An export fetched with GetProcAddress, as the function type it has.
template <typename Function> Function ExportAs(FARPROC function)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

#endif
