// What another program of a normal user could try against setup.exe, which runs with
// administrator rights: hold the one-at-a-time name, put a link or a second name where the
// log goes, change the installation folder. GetVersion, CreateMutexA, CreateDirectoryA and
// GetProcAddress are wrapped at link time; the last answers for a file's final path (under
// Wine a Unix link's names its target, but Windows programs cannot make one) and for a
// folder's permissions (Wine keeps none).
#include "../check.h"
#include "files.h"
#include "../../install/install.h"
#include "../../shell/shell.h"
#include "../../shared/sharing.h"
#include <aclapi.h>
#include <sddl.h>
#include <string>
#include <string.h>

#define WIN98 0xC0000A04
#define WIN7 0x1DB10106
#define LOGS "C:\\qmlogs"
#define APPS "C:\\qmapps"
// The protection as the system spells it: owner Administrators (BA); a DACL that inherits
// nothing (P), allowing Administrators and SYSTEM (SY) all (FA), Users (BU) read and
// execute, for the folder and all below it (OICI).
#define PROTECTION "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
#define PROTECTING \
    (OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION)

static DWORD g_version; // 0: the system's own
static DWORD g_mutexError;
static std::string g_mutexName;
static const char *g_finalPath;   // NULL: the system's answer
static const char *g_permissions; // the folder's, in SDDL
static DWORD g_setAnswer;
static int g_setCalls;
static bool g_setProtection; // what was set last is PROTECTION
static bool g_madeProtected; // the last folder was made with PROTECTION

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
    return g_mutexError == ERROR_ACCESS_DENIED ? NULL : (HANDLE)0x5A5A;
}

// A descriptor from SDDL, with its owner and DACL (NULL where it has none).
static PSECURITY_DESCRIPTOR Descriptor(const char *sddl, PSID *owner, PACL *dacl)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    BOOL present, defaulted;
    *owner = NULL;
    *dacl = NULL;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, NULL);
    GetSecurityDescriptorOwner(descriptor, owner, &defaulted);
    GetSecurityDescriptorDacl(descriptor, &present, dacl, &defaulted);
    return descriptor;
}

// Whether owner and DACL are PROTECTION's, byte for byte.
static bool IsProtection(PSID owner, PACL dacl)
{
    PSID expectedOwner;
    PACL expected;
    PSECURITY_DESCRIPTOR descriptor = Descriptor(PROTECTION, &expectedOwner, &expected);
    bool same = owner && dacl && EqualSid(owner, expectedOwner) &&
                dacl->AclSize == expected->AclSize && memcmp(dacl, expected, dacl->AclSize) == 0;
    LocalFree(descriptor);
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
        made && GetSecurityDescriptorControl(made, &control, &revision) &&
        (control & SE_DACL_PROTECTED) && GetSecurityDescriptorOwner(made, &owner, &defaulted) &&
        GetSecurityDescriptorDacl(made, &present, &dacl, &defaulted) && IsProtection(owner, dacl);
    return g_realCreateDirectoryA(path, attributes);
}

static DWORD WINAPI AnswerFinalPath(HANDLE file, LPSTR path, DWORD size, DWORD flags)
{
    if (!g_finalPath)
        return GetFinalPathNameByHandleA(file, path, size, flags);
    lstrcpynA(path, g_finalPath, size);
    return lstrlenA(g_finalPath);
}

static DWORD WINAPI AnswerGetSecurity(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID *owner,
                                      PSID *, PACL *dacl, PACL *, PSECURITY_DESCRIPTOR *descriptor)
{
    *descriptor = Descriptor(g_permissions, owner, dacl);
    return ERROR_SUCCESS;
}

static DWORD WINAPI AnswerSetSecurity(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION what, PSID owner,
                                      PSID, PACL dacl, PACL)
{
    ++g_setCalls;
    g_setProtection = what == PROTECTING && IsProtection(owner, dacl);
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

// The machine's name from Windows 2000 on; held by another run, or existing but not to be
// opened, it keeps this one from running.
static void TestOneAtATime()
{
    const struct {
        DWORD version, error;
        const char *name;
        BOOL alone;
    } cases[] = {
        {WIN98, 0, ONE_AT_A_TIME, TRUE},
        {0x05650004, 0, ONE_AT_A_TIME, TRUE},            // NT 4
        {0x08930005, 0, "Global\\" ONE_AT_A_TIME, TRUE}, // 2000
        {WIN7, ERROR_ALREADY_EXISTS, "Global\\" ONE_AT_A_TIME, FALSE},
        {WIN7, ERROR_ACCESS_DENIED, "Global\\" ONE_AT_A_TIME, FALSE},
    };
    for (const auto &c : cases) {
        g_version = c.version;
        g_mutexError = c.error;
        BOOL alone = RunAlone(FALSE);
        ok(alone == c.alone && g_mutexName == c.name, "0x%08lx, error %lu: \"%s\", alone %d",
           c.version, c.error, g_mutexName.c_str(), alone);
    }
    g_version = 0;
}

// Named in any way that leads to it without a link, a log is made new; through a link (as
// its final path tells) or by a second name it is refused and left as it was, and a file
// made through a link goes again.
static void TestLog()
{
    CreateDirectoryA(LOGS, NULL);
    CreateDirectoryA(LOGS "\\sub", NULL);
    SetCurrentDirectoryA(LOGS);
    PutText(LOGS "\\a long name.log", "old");
    PutText(LOGS "\\victim.log", "victim");
    PutText(LOGS "\\linked.log", "linked");
    CreateHardLinkA(LOGS "\\second.log", LOGS "\\victim.log", NULL);
    char shortName[MAX_PATH] = "";
    GetShortPathNameA(LOGS "\\a long name.log", shortName, MAX_PATH);
    const struct {
        std::string name, file; // as named, and the file looked at after
        const char *finalPath, *left;
    } cases[] = {
        {"relative.log", LOGS "\\relative.log", NULL, ""},
        {"C:/QMLOGS/sub/../Other.LOG", LOGS "\\other.log", NULL, ""},
        {shortName, LOGS "\\a long name.log", NULL, ""},
        {LOGS "\\second.log", LOGS "\\victim.log", NULL, "victim"},
        {LOGS "\\linked.log", LOGS "\\linked.log", "\\\\?\\C:\\Windows\\win.ini", "linked"},
        {LOGS "\\sub\\made.log", LOGS "\\sub\\made.log", "\\\\?\\C:\\x\\made.log", "-"},
    };
    for (const auto &c : cases) {
        g_finalPath = c.finalPath;
        bool wanted = c.left[0] == '\0', opened = OpenLog(c.name.c_str());
        DWORD error = GetLastError();
        ok(opened == wanted && (opened || error == ERROR_ACCESS_DENIED) &&
               FileText(c.file) == c.left,
           "log \"%s\", final path %s: opened %d (error %lu), holds \"%s\"", c.name.c_str(),
           c.finalPath ? c.finalPath : "the system's", opened, error, FileText(c.file).c_str());
    }
    g_finalPath = NULL;
}

// A folder setup.exe makes is made protected (on Windows 9x plain); an existing one outside
// Program Files that others own or may change gets the protection then, and the log says
// so, or stops the installation.
static void TestFolder()
{
    g_version = WIN98;
    ok(MakeProtectedFolder(APPS) && !g_madeProtected, "Windows 98 makes a plain folder");
    g_version = 0;
    ok(MakeProtectedFolder(APPS "\\made") && g_madeProtected, "a folder made protected");

    OpenLog(LOGS "\\protect.log");
    char programs[MAX_PATH];
    ExpandEnvironmentStringsA("%ProgramFiles%\\qmprotect", programs, MAX_PATH);
    CreateDirectoryA(programs, NULL);
    CreateDirectoryA(APPS "\\open", NULL);
    const struct {
        DWORD version;
        const char *folder, *permissions;
        DWORD answer;
        int setCalls;
    } cases[] = {
        {0, APPS "\\open", PROTECTION, 0, 0},
        {0, APPS "\\open", "O:BAD:P(A;OICI;FA;;;BA)(D;OICI;FA;;;WD)", 0, 0},
        {0, APPS "\\open", "O:BAD:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;AU)", 0, 1},
        {0, APPS "\\open", "O:BUD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", 0, 1},
        {0, APPS "\\open", "O:BA", 0, 1}, // no DACL: everyone may do anything
        {0, APPS "\\open", "O:BAD:(A;OICI;FA;;;BA)(A;CIIO;GA;;;BU)", 0, 1},
        {0, APPS "\\open", "O:BUD:(A;OICI;FA;;;WD)", ERROR_ACCESS_DENIED, 1},
        {0, programs, "O:BUD:(A;OICI;FA;;;WD)", 0, 0},
        {WIN98, APPS "\\open", "O:BUD:(A;OICI;FA;;;WD)", 0, 0},
    };
    for (const auto &c : cases) {
        g_version = c.version;
        g_permissions = c.permissions;
        g_setAnswer = c.answer;
        g_setCalls = 0;
        BOOL usable = ProtectInstallFolder(c.folder);
        ok(usable == !c.answer && g_setCalls == c.setCalls && (!g_setCalls || g_setProtection),
           "%s (0x%08lx), permissions %s: usable %d, protection set %d times", c.folder, c.version,
           c.permissions, usable, g_setCalls);
    }
    g_version = 0;
    std::string log = FileText(LOGS "\\protect.log");
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
