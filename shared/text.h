// Bounded copies that refuse what would not fit, leaving the buffer as it was. Shared by
// the installer and the product's own programs.
#ifndef QUILLMERE_TEXT_H
#define QUILLMERE_TEXT_H

#include <windows.h>

BOOL CopyText(char *buffer, int size, const char *text);
BOOL AppendText(char *buffer, int size, const char *text);

// "error N: <the system's description>" in text (at least 32 characters); the number
// alone when the system has no description, or it does not fit.
void DescribeError(DWORD error, char *text, int size);

#endif
