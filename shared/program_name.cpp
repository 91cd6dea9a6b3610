#include "program_name.h"

static BOOL IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The path in its short form, in place; FALSE when the system cannot name it so (no such
// file, or too long). Windows 9x may give a program's own name in either form.
static BOOL MakeShort(char *path)
{
    return GetShortPathNameA(path, path, MAX_PATH) - 1u < MAX_PATH - 1u;
}

const char *AfterProgramName(const char *line)
{
    const char *end = NULL;
    if (*line == '"') {
        end = line + 1;
        while (*end && *end != '"')
            ++end;
        if (*end)
            ++end;
    } else {
        // As Windows finds a program named without quotes: the shortest part of the line,
        // up to a blank or the end, that names it; this program's own file here.
        char self[MAX_PATH], part[MAX_PATH];
        DWORD length = GetModuleFileNameA(NULL, self, MAX_PATH);
        BOOL known = length && length < MAX_PATH && MakeShort(self);
        const char *at = line;
        do {
            while (IsBlank(*at))
                ++at;
            while (*at && !IsBlank(*at))
                ++at;
            if (!end)
                end = at; // a bare name ends at the first blank
            int size = (int)(at - line) + 1;
            if (!known || size > MAX_PATH)
                break;
            lstrcpynA(part, line, size);
            if (MakeShort(part) && lstrcmpiA(part, self) == 0) {
                end = at;
                break;
            }
        } while (*at);
    }
    while (IsBlank(*end))
        ++end;
    return end;
}
