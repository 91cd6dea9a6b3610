#include "install.h"
#include "../shared/dll_search.h"
#include "../shared/system_folder.h"
#include "../shell/shell.h"
#include <aclapi.h>
#include <stddef.h>

typedef DWORD(WINAPI *GetSecurityFunction)(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID *,
                                           PSID *, PACL *, PACL *, PSECURITY_DESCRIPTOR *);
typedef DWORD(WINAPI *SetSecurityFunction)(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID,
                                           PACL, PACL);

// What lets its holder change a folder or what lies in it.
#define CHANGING_RIGHTS                                                                    \
    (FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |             \
     FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL)
#define FOR_ALL_BELOW (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)

// Security identifiers and the entries that allow to them, laid out as the system keeps
// them; those here are of the NT authority (S-1-5-...), of N parts.
template <int N> struct Sid {
    BYTE revision, count, authority[6];
    DWORD part[N];
};
template <int N> struct AllowedAce {
    ACE_HEADER header;
    ACCESS_MASK mask;
    Sid<N> sid;
};
#define NT_SID(N, ...) {SID_REVISION, N, {0, 0, 0, 0, 0, 5}, {__VA_ARGS__}}
#define ALLOWED(mask, N, ...)                                                              \
    {{ACCESS_ALLOWED_ACE_TYPE, FOR_ALL_BELOW, sizeof(AllowedAce<N>)}, mask, NT_SID(N, __VA_ARGS__)}
#define BUILTIN SECURITY_BUILTIN_DOMAIN_RID

// What Program Files has: owner Administrators; Administrators and SYSTEM full control,
// Users read and execute, for the folder and, inherited, everything below it; nothing
// inherited from its parent. Laid out as the system keeps it, in one piece.
struct FolderDescriptor {
    SECURITY_DESCRIPTOR_RELATIVE header;
    Sid<2> owner;
    ACL dacl;
    AllowedAce<2> administrators;
    AllowedAce<1> system;
    AllowedAce<2> users;
};
static const FolderDescriptor g_protection = {
    {SECURITY_DESCRIPTOR_REVISION, 0, SE_SELF_RELATIVE | SE_DACL_PRESENT | SE_DACL_PROTECTED,
     offsetof(FolderDescriptor, owner), 0, 0, offsetof(FolderDescriptor, dacl)},
    NT_SID(2, BUILTIN, DOMAIN_ALIAS_RID_ADMINS),
    {ACL_REVISION, 0, sizeof(FolderDescriptor) - offsetof(FolderDescriptor, dacl), 3, 0},
    ALLOWED(FILE_ALL_ACCESS, 2, BUILTIN, DOMAIN_ALIAS_RID_ADMINS),
    ALLOWED(FILE_ALL_ACCESS, 1, SECURITY_LOCAL_SYSTEM_RID),
    ALLOWED(FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, 2, BUILTIN, DOMAIN_ALIAS_RID_USERS),
};
static const SECURITY_ATTRIBUTES g_protectedFolder = {sizeof g_protectedFolder,
                                                      (void *)&g_protection, FALSE};

BOOL MakeProtectedFolder(const char *folder)
{
    return CreateDirectoryA(folder,
                            OnWindowsNT() ? (SECURITY_ATTRIBUTES *)&g_protectedFolder : NULL);
}

// Compared as far as the first byte that differs: never past the end of either.
static BOOL IsTrusted(const BYTE *sid)
{
    static const BYTE *const trusted[] = {(const BYTE *)&g_protection.owner,
                                          (const BYTE *)&g_protection.system.sid};
    for (const BYTE *known : trusted) {
        int i = 0;
        while (i < 8 + 4 * known[1] && sid[i] == known[i])
            ++i;
        if (i == 8 + 4 * known[1])
            return TRUE;
    }
    return FALSE;
}

// Whether someone other than Administrators and SYSTEM owns the folder or may change it
// (no DACL lets everyone); what cannot be read counts as open. An entry that denies only
// takes away; one of any other kind counts by its rights.
static BOOL OpenToUsers(GetSecurityFunction getSecurity, HANDLE folder)
{
    PSID owner;
    PACL dacl;
    PSECURITY_DESCRIPTOR descriptor;
    if (getSecurity(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                    &owner, NULL, &dacl, NULL, &descriptor) != ERROR_SUCCESS)
        return TRUE;
    BOOL open = !IsTrusted((const BYTE *)owner) || !dacl;
    const BYTE *entry = (const BYTE *)(dacl + 1);
    for (int i = 0; !open && i < dacl->AceCount; ++i) {
        const ACCESS_ALLOWED_ACE *ace = (const ACCESS_ALLOWED_ACE *)entry;
        open = ace->Header.AceType != ACCESS_DENIED_ACE_TYPE && (ace->Mask & CHANGING_RIGHTS) &&
               !IsTrusted((const BYTE *)&ace->SidStart);
        entry += ace->Header.AceSize;
    }
    LocalFree(descriptor);
    return open;
}

// Whether folder is the system's Program Files folder or lies in it: the one of 32-bit
// programs and, on 64-bit Windows, the system's own, as its registry names them.
static BOOL InProgramFiles(const char *folder)
{
    static const REGSAM views[] = {0, KEY_WOW64_64KEY};
    for (REGSAM view : views) {
        HKEY key;
        char programs[MAX_PATH];
        DWORD size = sizeof programs - 1;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, WINDOWS_KEY, 0, KEY_QUERY_VALUE | view, &key) !=
            ERROR_SUCCESS)
            continue;
        LONG read = RegQueryValueExA(key, "ProgramFilesDir", NULL, NULL, (BYTE *)programs, &size);
        RegCloseKey(key);
        programs[read == ERROR_SUCCESS ? size : 0] = '\0';
        int length = lstrlenA(programs);
        if (length > 2 && lstrlenA(folder) >= length &&
            (folder[length] == '\\' || folder[length] == '\0') &&
            CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, folder, length, programs,
                           length) == CSTR_EQUAL)
            return TRUE;
    }
    return FALSE;
}

// The folder is held while it is looked at and changed, so that it cannot be swapped for
// a link meanwhile, and opened as it is: a link is refused, not followed to what it names,
// and would stay its maker's to change.
BOOL ProtectInstallFolder(const char *folder)
{
    if (!OnWindowsNT() || !IsFolder(folder) || InProgramFiles(folder))
        return TRUE;
    HMODULE security = GetModuleHandleA("advapi32.dll"); // Windows 98's lacks these calls
    GetSecurityFunction getSecurity =
        ExportAs<GetSecurityFunction>(GetProcAddress(security, "GetSecurityInfo"));
    SetSecurityFunction setSecurity =
        ExportAs<SetSecurityFunction>(GetProcAddress(security, "SetSecurityInfo"));
    HANDLE held = CreateFileA(folder, READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    DWORD error = held == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_ACCESS_DENIED;
    BOOL open = TRUE;
    BY_HANDLE_FILE_INFORMATION about;
    if (held != INVALID_HANDLE_VALUE && GetFileInformationByHandle(held, &about) &&
        !(about.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && getSecurity && setSecurity) {
        open = OpenToUsers(getSecurity, held);
        error = ERROR_SUCCESS;
        if (open)
            error = setSecurity(held, SE_FILE_OBJECT,
                                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                    PROTECTED_DACL_SECURITY_INFORMATION,
                                (PSID)&g_protection.owner, NULL, (PACL)&g_protection.dacl, NULL);
    }
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    if (error == ERROR_SUCCESS) {
        if (open)
            LogLine("Protected from non-administrators, who could change it: ", folder);
        return TRUE;
    }
    ReportError("The folder cannot be protected from other users:\n", folder, error);
    return FALSE;
}
