#include "text.h"

BOOL CopyText(char *buffer, int size, const char *text)
{
    int length = lstrlenA(text);
    if (length >= size)
        return FALSE;
    CopyMemory(buffer, text, length + 1);
    return TRUE;
}

void DescribeError(DWORD error, char *text, int size)
{
    int length = wsprintfA(text, "error %lu: ", error);
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error,
                        0, text + length, size - length, NULL))
        text[length - 2] = '\0';
    // The system's text ends in a full stop and a line break; the caller goes on.
    for (length = lstrlenA(text); length > 0 && ((BYTE)text[length - 1] <= ' ' ||
                                                 text[length - 1] == '.');
         --length)
        text[length - 1] = '\0';
}

BOOL AppendText(char *buffer, int size, const char *text)
{
    int used = lstrlenA(buffer);
    return used < size && CopyText(buffer + used, size - used, text);
}
