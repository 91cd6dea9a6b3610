// What another program of a normal user could try against setup.exe, which runs with
// administrator rights: hold the one-at-a-time name, put a link or a second name where the
// log goes, change the installation folder. GetVersion, CreateMutexA, CreateDirectoryA and
// GetProcAddress are wrapped at link time: the last answers for the final path of a file
// (a Unix link's is its target's under Wine, which Windows programs cannot make) and for
// the folder permissions (Wine keeps none).
#include "../check.h"
#include "../../install/install.h"
#include "../../shell/shell.h"
#include "../../shared/dll_search.h"
#include "../../shared/sharing.h"
#include <aclapi.h>
#include <sddl.h>
#include <string>
#include <string.h>

#define WIN98 0xC0000A04
#define NT4 0x05650004
#define WIN2000 0x08930005
#define WIN7 0x1DB10106
#define MARK ((HANDLE)0x5A5A) // a handle the wrapped CreateMutexA hands out
#define LOGS "C:\\qmlogs"
#define APPS "C:\\qmapps"
// The protection as the system spells it: owner Administrators (BA); a DACL that inherits
// nothing (P), allowing Administrators and SYSTEM (SY) all (FA), Users (BU) read and
// execute, each for the folder and all below it (OICI).
#define PROTECTION "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"

static DWORD g_version; // 0: the system's own
static DWORD g_mutexError;
static HANDLE g_mutexHandle;
static std::string g_mutexName;
static const char *g_finalPath;   // the file's final path, NULL for the system's answer
static const char *g_permissions; // the folder's, in SDDL
static DWORD g_setAnswer;
static int g_setCalls;
static SECURITY_INFORMATION g_setWhat;
static bool g_setProtection; // what was set is PROTECTION
static bool g_madeProtected; // the last folder made was made with PROTECTION

ANSWER_IMPORT(GetVersion, 0)
ANSWER_IMPORT(CreateMutexA, 12)
ANSWER_IMPORT(CreateDirectoryA, 8)
ANSWER_IMPORT(GetProcAddress, 8)

static DWORD WINAPI AnswerGetVersion()
{
    return g_version ? g_version : g_realGetVersion();
}

static HANDLE WINAPI AnswerCreateMutexA(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR name)
{
    g_mutexName = name;
    SetLastError(g_mutexError);
    return g_mutexHandle;
}

static PSECURITY_DESCRIPTOR Descriptor(const char *sddl)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, NULL);
    return descriptor;
}

// Whether owner and DACL are PROTECTION's, byte for byte.
static bool IsProtection(PSID owner, PACL dacl)
{
    PSECURITY_DESCRIPTOR expected = Descriptor(PROTECTION);
    PSID expectedOwner = NULL;
    PACL expectedDacl = NULL;
    BOOL present, defaulted;
    GetSecurityDescriptorOwner(expected, &expectedOwner, &defaulted);
    GetSecurityDescriptorDacl(expected, &present, &expectedDacl, &defaulted);
    bool same = owner && dacl && expectedDacl && EqualSid(owner, expectedOwner) &&
                dacl->AclSize == expectedDacl->AclSize &&
                memcmp(dacl, expectedDacl, dacl->AclSize) == 0;
    LocalFree(expected);
    return same;
}

static BOOL WINAPI AnswerCreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES attributes)
{
    PSECURITY_DESCRIPTOR made = attributes ? attributes->lpSecurityDescriptor : NULL;
    PSID owner = NULL;
    PACL dacl = NULL;
    BOOL present, defaulted;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision;
    g_madeProtected =
        made && IsValidSecurityDescriptor(made) &&
        GetSecurityDescriptorControl(made, &control, &revision) && (control & SE_DACL_PROTECTED) &&
        GetSecurityDescriptorOwner(made, &owner, &defaulted) &&
        GetSecurityDescriptorDacl(made, &present, &dacl, &defaulted) && IsProtection(owner, dacl);
    return g_realCreateDirectoryA(path, attributes);
}

static DWORD WINAPI AnswerFinalPath(HANDLE file, LPSTR path, DWORD size, DWORD flags)
{
    typedef DWORD(WINAPI * FinalPath)(HANDLE, LPSTR, DWORD, DWORD);
    if (!g_finalPath)
        return ExportAs<FinalPath>(g_realGetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                        "GetFinalPathNameByHandleA"))(file, path,
                                                                                      size, flags);
    lstrcpynA(path, g_finalPath, size);
    return lstrlenA(g_finalPath);
}

static DWORD WINAPI AnswerGetSecurity(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID *owner,
                                      PSID *, PACL *dacl, PACL *, PSECURITY_DESCRIPTOR *descriptor)
{
    BOOL present, defaulted;
    *owner = NULL;
    *dacl = NULL; // none: everyone may do anything
    *descriptor = Descriptor(g_permissions);
    GetSecurityDescriptorOwner(*descriptor, owner, &defaulted);
    GetSecurityDescriptorDacl(*descriptor, &present, dacl, &defaulted);
    return ERROR_SUCCESS;
}

static DWORD WINAPI AnswerSetSecurity(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION what, PSID owner,
                                      PSID, PACL dacl, PACL)
{
    ++g_setCalls;
    g_setWhat = what;
    g_setProtection = IsProtection(owner, dacl);
    return g_setAnswer;
}

static FARPROC WINAPI AnswerGetProcAddress(HMODULE module, LPCSTR name)
{
    static const struct {
        const char *name;
        void (*answer)();
    } answers[] = {
        {"GetFinalPathNameByHandleA", (void (*)())AnswerFinalPath},
        {"GetSecurityInfo", (void (*)())AnswerGetSecurity},
        {"SetSecurityInfo", (void (*)())AnswerSetSecurity},
    };
    for (const auto &answer : answers)
        if (HIWORD(name) && lstrcmpA(name, answer.name) == 0)
            return reinterpret_cast<FARPROC>(answer.answer);
    return g_realGetProcAddress(module, name);
}

static std::string Contents(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL); // as a reader of the log opens it
    char text[4096];
    DWORD read = 0;
    if (file == INVALID_HANDLE_VALUE)
        return "(missing)";
    ReadFile(file, text, sizeof text, &read, NULL);
    CloseHandle(file);
    return std::string(text, read);
}

static void Write(const std::string &path, const char *text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written;
    WriteFile(file, text, lstrlenA(text), &written, NULL);
    CloseHandle(file);
}

// The name is the machine's from Windows 2000 on; another run holding it, or a name that
// exists but cannot be opened, keeps this one from running.
static void TestOneAtATime()
{
    struct Case {
        DWORD version;
        HANDLE handle;
        DWORD error;
        const char *name;
        BOOL alone;
    };
    const Case cases[] = {
        {WIN98, MARK, 0, ONE_AT_A_TIME, TRUE},
        {NT4, MARK, 0, ONE_AT_A_TIME, TRUE},
        {WIN2000, MARK, 0, "Global\\" ONE_AT_A_TIME, TRUE},
        {WIN7, MARK, ERROR_ALREADY_EXISTS, "Global\\" ONE_AT_A_TIME, FALSE},
        {WIN7, NULL, ERROR_ACCESS_DENIED, "Global\\" ONE_AT_A_TIME, FALSE},
    };
    for (const Case &c : cases) {
        g_version = c.version;
        g_mutexHandle = c.handle;
        g_mutexError = c.error;
        BOOL alone = RunAlone(FALSE);
        ok(alone == c.alone && g_mutexName == c.name,
           "Windows 0x%08lx, error %lu: \"%s\", %s; expected \"%s\", %s", c.version, c.error,
           g_mutexName.c_str(), alone ? "alone" : "not alone", c.name,
           c.alone ? "alone" : "not alone");
    }
    g_version = 0;
}

// Named in any of the ways that lead to it without a link, a log is made new; through a
// link (as its final path tells) or by a second name, it is refused and left as it was, and
// a file made through a link goes again.
static void TestLog()
{
    CreateDirectoryA(LOGS, NULL);
    CreateDirectoryA(LOGS "\\sub", NULL);
    SetCurrentDirectoryA(LOGS);
    Write(LOGS "\\a long name.log", "old");
    char shortName[MAX_PATH] = "";
    GetShortPathNameA(LOGS "\\a long name.log", shortName, MAX_PATH);
    Write(LOGS "\\victim.log", "victim");
    ok(CreateHardLinkA(LOGS "\\second.log", LOGS "\\victim.log", NULL), "a second name made");
    Write(LOGS "\\linked.log", "linked");
    struct Case {
        std::string name, file; // as named, and the file to look at
        const char *finalPath;
        bool opened;
        const char *left; // the file's contents afterwards
    };
    const Case cases[] = {
        {LOGS "\\new.log", LOGS "\\new.log", NULL, true, ""},
        {"relative.log", LOGS "\\relative.log", NULL, true, ""},
        {"C:/QMLOGS/sub/../Slashes.LOG", LOGS "\\slashes.log", NULL, true, ""},
        {shortName, LOGS "\\a long name.log", NULL, true, ""},
        {LOGS "\\second.log", LOGS "\\victim.log", NULL, false, "victim"},
        {LOGS "\\linked.log", LOGS "\\linked.log", "\\\\?\\C:\\Windows\\win.ini", false, "linked"},
        {LOGS "\\sub\\made.log", LOGS "\\sub\\made.log", "\\\\?\\C:\\elsewhere\\made.log", false,
         "(missing)"},
    };
    for (const Case &c : cases) {
        g_finalPath = c.finalPath;
        SetLastError(0);
        bool opened = OpenLog(c.name.c_str());
        DWORD error = GetLastError();
        ok(opened == c.opened && (opened || error == ERROR_ACCESS_DENIED) &&
               Contents(c.file) == c.left,
           "log \"%s\" (final path %s): %s (error %lu), holding \"%s\", expected %s, \"%s\"",
           c.name.c_str(), c.finalPath ? c.finalPath : "the system's",
           opened ? "opened" : "refused", error, Contents(c.file).c_str(),
           c.opened ? "opened" : "refused", c.left);
    }
    g_finalPath = NULL;
}

// A folder setup.exe makes gets the protection as it is made (Windows 9x a plain folder);
// an existing one outside Program Files that others own or may change gets it then, and
// the log says so; one refused stops the installation.
static void TestFolder()
{
    g_version = WIN98;
    ok(MakeProtectedFolder(APPS) && !g_madeProtected, "Windows 98 makes a plain folder");
    g_version = 0;
    ok(MakeProtectedFolder(APPS "\\made") && g_madeProtected, "a folder made protected");

    OpenLog(LOGS "\\protect.log");
    char programs[MAX_PATH];
    ExpandEnvironmentStringsA("%ProgramFiles%\\qmprotect", programs, MAX_PATH);
    g_realCreateDirectoryA(programs, NULL);
    g_realCreateDirectoryA(APPS "\\open", NULL);
    struct Case {
        DWORD version;
        const char *folder, *permissions;
        DWORD answer;
        BOOL protectedOnes;
        int setCalls;
    };
    const Case cases[] = {
        {0, APPS "\\open", PROTECTION, 0, TRUE, 0},
        {0, APPS "\\open", "O:BAD:P(A;OICI;FA;;;BA)(D;OICI;FA;;;WD)", 0, TRUE, 0},
        {0, APPS "\\open", "O:BAD:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;AU)", 0, TRUE, 1},
        {0, APPS "\\open", "O:BUD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", 0, TRUE, 1},
        {0, APPS "\\open", "O:BA", 0, TRUE, 1}, // no DACL: everyone may do anything
        {0, APPS "\\open", "O:BAD:(A;OICI;FA;;;BA)(A;CIIO;GA;;;BU)", 0, TRUE, 1},
        {0, APPS "\\open", "O:BAD:(A;OICI;FA;;;WD)", ERROR_ACCESS_DENIED, FALSE, 1},
        {0, programs, "O:BUD:(A;OICI;FA;;;WD)", 0, TRUE, 0},
        {0, APPS "\\missing", "O:BUD:(A;OICI;FA;;;WD)", 0, TRUE, 0},
        {WIN98, APPS "\\open", "O:BUD:(A;OICI;FA;;;WD)", 0, TRUE, 0},
    };
    for (const Case &c : cases) {
        g_version = c.version;
        g_permissions = c.permissions;
        g_setAnswer = c.answer;
        g_setCalls = 0;
        g_setProtection = false;
        BOOL protectedOnes = ProtectInstallFolder(c.folder);
        ok(protectedOnes == c.protectedOnes && g_setCalls == c.setCalls &&
               (!g_setCalls ||
                (g_setProtection &&
                 g_setWhat == (OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                               PROTECTED_DACL_SECURITY_INFORMATION))),
           "%s (Windows 0x%08lx), permissions %s: %s, protection set %d times (expected %d)",
           c.folder, c.version, c.permissions, protectedOnes ? "kept" : "refused", g_setCalls,
           c.setCalls);
    }
    g_version = 0;
    std::string log = Contents(LOGS "\\protect.log");
    ok(log.find(APPS "\\open") != std::string::npos, "the log names the folder:\n%s", log.c_str());
}

int main()
{
    g_switches.level = UI_SILENT; // no message box
    TestOneAtATime();
    TestLog();
    TestFolder();
    return check_summary();
}
