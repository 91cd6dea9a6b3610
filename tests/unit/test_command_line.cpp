// setup.exe's command line, as Windows hands it over: the program's name, then switches.
#include "../check.h"
#include "../../shell/internal.h"
#include "../../pages/pages.h"
#include <string.h>

#define BAD ERROR_INVALID_PARAMETER

struct LineCase {
    const char *line;
    int result;
    int level;
    BOOL help;
    const char *folder;
    const char *log;
};

static void TestCommandLines()
{
    static const LineCase cases[] = {
        {"setup.exe", 0, UI_FULL, FALSE, "", ""},
        {"\"C:\\My Downloads\\setup.exe\"  ", 0, UI_FULL, FALSE, "", ""},
        {"setup /S", 0, UI_SILENT, FALSE, "", ""},
        {"setup -quiet", 0, UI_SILENT, FALSE, "", ""},
        {"setup /PASSIVE", 0, UI_PASSIVE, FALSE, "", ""},
        {"setup /passive /s", 0, UI_SILENT, FALSE, "", ""},
        {"setup /?", 0, UI_FULL, TRUE, "", ""},
        {"setup /S /D=C:\\Apps\\Quill mere  ", 0, UI_SILENT, FALSE, "C:\\Apps\\Quill mere", ""},
        {"setup /d=\"d:\\Quill mere\\\"", 0, UI_FULL, FALSE, "d:\\Quill mere", ""},
        {"setup \"/D=C:\\a b\\c\" ", 0, UI_FULL, FALSE, "C:\\a b\\c", ""},
        {"setup /D=C:\\x /S", 0, UI_FULL, FALSE, "C:\\x /S", ""},
        {"setup /LOG=\"C:\\my logs\\q.log\" /S", 0, UI_SILENT, FALSE, "", "C:\\my logs\\q.log"},
        {"setup -log=q.log", 0, UI_FULL, FALSE, "", "q.log"},
        // Anything else is a bad line; a quiet switch anywhere still keeps it quiet.
        {"setup /X /S", BAD, UI_SILENT, FALSE, "", ""},
        {"setup S", BAD, UI_FULL, FALSE, "", ""},
        {"setup /Silent", BAD, UI_FULL, FALSE, "", ""},
        {"setup /LOG=", BAD, UI_FULL, FALSE, "", ""},
        {"setup /LOG", BAD, UI_FULL, FALSE, "", ""},
        {"setup /S /D=Quillmere", BAD, UI_SILENT, FALSE, NULL, ""},
        {"setup /D=\\Apps\\Quillmere", BAD, UI_FULL, FALSE, NULL, ""},
        {"setup /D=C:Quillmere", BAD, UI_FULL, FALSE, NULL, ""},
        {"setup /D=C:\\", BAD, UI_FULL, FALSE, NULL, ""},
        {"setup /D=", BAD, UI_FULL, FALSE, NULL, ""},
    };
    for (const LineCase &c : cases) {
        Switches switches;
        int result = ParseCommandLine(c.line, &switches);
        ok(result == c.result && switches.level == c.level && switches.help == c.help &&
               (!c.folder || strcmp(switches.folder, c.folder) == 0) &&
               strcmp(switches.log, c.log) == 0,
           "[%s]: expected %d, level %d, help %d, folder [%s], log [%s]; got %d, %d, %d, [%s], [%s]",
           c.line, c.result, c.level, c.help, c.folder ? c.folder : "(any)", c.log, result,
           switches.level, switches.help, switches.folder, switches.log);
    }
}

// A folder or log longer than any path, or a product folder's name longer than the
// directory page takes, is refused, never cut.
static void TestLengths()
{
    static char line[3 * PATH_CHARS];
    Switches switches;
    lstrcpyA(line, "setup /D=C:\\");
    for (int i = 0; i < DIR_NAME_CHARS - 1; ++i)
        lstrcatA(line, "q");
    ok(ParseCommandLine(line, &switches) == 0 && lstrlenA(switches.folder) == DIR_NAME_CHARS + 2,
       "a name of %d characters is taken", DIR_NAME_CHARS - 1);
    lstrcatA(line, "q");
    ok(ParseCommandLine(line, &switches) == BAD, "a name of %d characters is refused",
       DIR_NAME_CHARS);
    lstrcpyA(line, "setup /LOG=C:\\");
    for (int i = 0; i < PATH_CHARS; ++i)
        lstrcatA(line, "l");
    ok(ParseCommandLine(line, &switches) == BAD && lstrlenA(switches.log) < PATH_CHARS,
       "a log path of %d characters is refused", PATH_CHARS + 3);
}

int main()
{
    TestCommandLines();
    TestLengths();
    return check_summary();
}
