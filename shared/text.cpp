#include "text.h"

BOOL CopyText(char *buffer, int size, const char *text)
{
    int length = lstrlenA(text);
    if (length >= size)
        return FALSE;
    CopyMemory(buffer, text, length + 1);
    return TRUE;
}

BOOL AppendText(char *buffer, int size, const char *text)
{
    int used = lstrlenA(buffer);
    return used < size && CopyText(buffer + used, size - used, text);
}
