#include "internal.h"
#include "../pages/pages.h"
#include "../shared/program_name.h"

// A switch begins with / or -; its name is compared without regard to case. /D= takes the
// rest of the line, so that a folder with blanks needs no quotes. Quotes are dropped
// wherever they stand: no file name can hold one.
struct SwitchName {
    const char *name; // in small letters; a name that takes a value ends in "="
    int level;        // the interface it asks for, or one of the kinds below
};
#define SWITCH_HELP -1
#define SWITCH_LOG -2
#define SWITCH_FOLDER -3

static const SwitchName g_switchNames[] = {
    {"s", UI_SILENT},   {"quiet", UI_SILENT}, {"passive", UI_PASSIVE},
    {"?", SWITCH_HELP}, {"log=", SWITCH_LOG}, {"d=", SWITCH_FOLDER},
};

// What follows name at the start of text, NULL when text does not start with it.
static const char *AfterName(const char *text, const char *name)
{
    for (; *name; ++text, ++name) {
        if ((*text | 0x20) != *name)
            return NULL;
    }
    return text;
}

BOOL IsFullFolder(char *folder)
{
    int length = lstrlenA(folder);
    while (length > 3 && folder[length - 1] == '\\')
        folder[--length] = '\0';
    char drive = (char)(folder[0] | 0x20);
    if (length < 4 || drive < 'a' || drive > 'z' || folder[1] != ':' || folder[2] != '\\')
        return FALSE;
    int name = length;
    while (folder[name - 1] != '\\')
        --name;
    return length - name < DIR_NAME_CHARS;
}

int ParseCommandLine(const char *line, Switches *switches)
{
    ZeroMemory(switches, sizeof *switches);
    char argument[PATH_CHARS];
    line = AfterProgramName(line);
    for (;;) {
        while (*line == ' ' || *line == '\t')
            ++line;
        if (*line == '\0')
            return switches->bad ? ERROR_INVALID_PARAMETER : 0;
        const char *start = line;
        while (*start == '"')
            ++start;
        BOOL rest = *start && AfterName(start + 1, "d=");
        int length = 0;
        for (BOOL quoted = FALSE; *line && (quoted || rest || (*line != ' ' && *line != '\t'));
             ++line) {
            if (*line == '"')
                quoted = !quoted;
            else if (length < PATH_CHARS - 1)
                argument[length++] = *line;
            else
                switches->bad = TRUE; // longer than any path
        }
        while (length > 0 && argument[length - 1] == ' ')
            --length;
        argument[length] = '\0';
        const SwitchName *found = NULL;
        const char *value = NULL;
        for (const SwitchName &row : g_switchNames) {
            const char *after = (*argument == '/' || *argument == '-')
                                    ? AfterName(argument + 1, row.name)
                                    : NULL;
            if (after && (*after == '\0' || after[-1] == '=')) {
                found = &row;
                value = after;
            }
        }
        if (!found)
            switches->bad = TRUE;
        else if (found->level == SWITCH_FOLDER)
            switches->bad |= !CopyText(switches->folder, PATH_CHARS, value) ||
                             !IsFullFolder(switches->folder);
        else if (found->level == SWITCH_LOG)
            switches->bad |= !*value || !CopyText(switches->log, PATH_CHARS, value);
        else if (found->level == SWITCH_HELP)
            switches->help = TRUE;
        else if (found->level > switches->level)
            switches->level = found->level; // the quieter of two wins
    }
}
