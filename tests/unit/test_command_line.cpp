// The command lines of setup.exe and the product's programs, as Windows hands them over:
// the program's name as its starter wrote it, then switches. GetModuleFileNameA is
// wrapped to answer with a file of a path with blanks, in its long or its short form.
#include "../check.h"
#include "../../shell/internal.h"
#include "../../pages/pages.h"
#include "../../shared/program_name.h"
#include <string>
#include <string.h>

#define BAD ERROR_INVALID_PARAMETER
#define OWN_FOLDER "C:\\qm test\\New folder"
#define OWN_FILE OWN_FOLDER "\\Quill setup.exe"

ANSWER_IMPORT(GetModuleFileNameA, 12)
static std::string g_ownName; // what the program's own file is called, "" for the real one

static DWORD WINAPI AnswerGetModuleFileNameA(HMODULE module, LPSTR name, DWORD size)
{
    if (module || g_ownName.empty())
        return g_realGetModuleFileNameA(module, name, size);
    lstrcpynA(name, g_ownName.c_str(), (int)size);
    return g_ownName.size() < size ? (DWORD)g_ownName.size() : size;
}

// A copy of line whose terminator is the last byte that can be read: a read past it ends
// the test.
static const char *AtEndOfPage(const std::string &line)
{
    static char *pages = (char *)VirtualAlloc(NULL, 0x4000, MEM_COMMIT, PAGE_READWRITE);
    DWORD old;
    VirtualProtect(pages + 0x3000, 0x1000, PAGE_NOACCESS, &old);
    return (char *)memcpy(pages + 0x3000 - line.size() - 1, line.c_str(), line.size() + 1);
}

struct NameCase {
    const char *line; // '#' stands for the short form of the program's own path
    const char *arguments; // what the product's programs are given
    int result;            // setup.exe's reading of them
    int level;
};

// Each program skips its own name however it is written, whichever form of its path the
// system gives it (Windows 9x may give the short one), and reads what follows as ever.
static void TestProgramNames()
{
    CreateDirectoryA("C:\\qm test", NULL);
    CreateDirectoryA(OWN_FOLDER, NULL);
    CloseHandle(CreateFileA(OWN_FILE, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    char brief[MAX_PATH] = "";
    GetShortPathNameA(OWN_FILE, brief, MAX_PATH);
    ok(strchr(brief, ' ') == NULL && lstrcmpiA(brief, OWN_FILE) != 0, "short form: %s", brief);
    static const NameCase cases[] = {
        {OWN_FILE, "", 0, UI_FULL},
        {OWN_FILE " /S", "/S", 0, UI_SILENT},
        {"C:\\QM TEST\\NEW FOLDER\\QUILL SETUP.EXE\t/passive  ", "/passive  ", 0, UI_PASSIVE},
        {"# /D=C:\\Quill mere", "/D=C:\\Quill mere", 0, UI_FULL},
        {"\"" OWN_FILE "\" /S", "/S", 0, UI_SILENT},
        {"\"#\"/S", "/S", 0, UI_SILENT},
        {"\"\" /S", "/S", 0, UI_SILENT},
        {"\"" OWN_FILE, "", 0, UI_FULL},
        {"setup.exe   ", "", 0, UI_FULL},
        {"setup.exe \"\"", "\"\"", BAD, UI_FULL},
        // Another program with blanks in its path: its first word is taken for its name.
        {"C:\\qm test\\other.exe /S", "test\\other.exe /S", BAD, UI_SILENT},
    };
    for (const char *answer : {OWN_FILE, (const char *)brief}) {
        g_ownName = answer;
        for (const NameCase &c : cases) {
            std::string line = c.line;
            if (line[0] == '#' || line[1] == '#')
                line.replace(line.find('#'), 1, brief);
            const char *arguments = AfterProgramName(AtEndOfPage(line));
            Switches switches;
            int result = ParseCommandLine(AtEndOfPage(line), &switches);
            ok(strcmp(arguments, c.arguments) == 0 && result == c.result &&
                   switches.level == c.level,
               "[%s], its own file named %s: expected [%s], %d, level %d; got [%s], %d, %d",
               line.c_str(), answer, c.arguments, c.result, c.level, arguments, result,
               switches.level);
        }
    }
    g_ownName.clear();
    DeleteFileA(OWN_FILE);
    RemoveDirectoryA(OWN_FOLDER);
    RemoveDirectoryA("C:\\qm test");
}

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
    lstrcpyA(line, "C:\\qm");
    for (int i = 0; i < PATH_CHARS; ++i)
        lstrcatA(line, " x");
    ok(AfterProgramName(line) == line + 6, "a name of more words than any path can hold "
                                           "ends at the first blank");
}

int main()
{
    TestCommandLines();
    TestProgramNames();
    TestLengths();
    return check_summary();
}
