#include "api.h"
#include "text.h"

void DescribeError(DWORD error, char *text, int size)
{
    char number[32], words[256], full[sizeof number + sizeof words];
    wsprintfA(number, "error %lu", error);
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  NULL, error, 0, words, sizeof words, NULL);
    // The system's text ends in a full stop and a line break; the caller goes on.
    while (length > 0 && (words[length - 1] == '\r' || words[length - 1] == '\n' ||
                          words[length - 1] == ' ' || words[length - 1] == '.'))
        --length;
    words[length] = '\0';
    CopyText(full, sizeof full, number);
    if (length > 0) {
        AppendText(full, sizeof full, ": ");
        AppendText(full, sizeof full, words);
    }
    if (!CopyText(text, size, full) && !CopyText(text, size, number) && size > 0)
        text[0] = '\0';
}
