#include "internal.h"
#include "../shell/shell.h"
#include "../shared/version.h"

// This version as one number, its four parts from the most significant down: an earlier
// version is a smaller number.
#define THIS_VERSION                                                                        \
    ((ULONGLONG)VERSION_MAJOR << 48 | (ULONGLONG)VERSION_MINOR << 32 |                      \
     (DWORD)VERSION_PATCH << 16 | VERSION_BUILD)
#define VERSION_CHARS 24 // "65535.65535.65535.65535"
#define DOWNGRADE_QUESTION "Quillmere %s is installed.\nReplace it with the earlier %s?"

// What this run is to the installation found, by the comparison of the two versions.
static const char *const g_versionRoads[] = {"upgrade to ", "repair with ", "downgrade to "};

// The installed program's file is read as data, never run; it may be larger than this
// only if it is not the one installed.
static BYTE g_versionBlock[4096];

BOOL ParseVersion(const char *text, Version *version)
{
    for (int part = 3; part >= 0; --part, ++text) {
        const char *digits = text;
        DWORD number = 0;
        while (*text >= '0' && *text <= '9' && number <= 0xFFFF)
            number = number * 10 + (DWORD)(*text++ - '0');
        if (text == digits || number > 0xFFFF || *text != (part ? '.' : '\0'))
            return FALSE;
        version->parts[part] = (WORD)number;
    }
    return TRUE;
}

// The product version in a program's version resource, through version.dll (see winmain.cpp
// for where it comes from).
static BOOL ProgramVersion(const char *program, Version *version)
{
    DWORD unused;
    VS_FIXEDFILEINFO *fixed;
    UINT length;
    DWORD size = GetFileVersionInfoSizeA(program, &unused);
    if (!size || size > sizeof g_versionBlock ||
        !GetFileVersionInfoA(program, 0, size, g_versionBlock) ||
        !VerQueryValueA(g_versionBlock, "\\", (void **)&fixed, &length) || length < sizeof *fixed)
        return FALSE;
    version->halves[1] = fixed->dwProductVersionMS;
    version->halves[0] = fixed->dwProductVersionLS;
    return TRUE;
}

// The entry's version, else (Windows 9x keeps its four values alone) the installed program's
// own; FALSE where neither tells one.
static BOOL InstalledVersion(Version *version)
{
    char text[PATH_CHARS + sizeof PROGRAM_FILE];
    if (RecordedText(ENTRY_VERSION, text, VERSION_CHARS) && ParseVersion(text, version))
        return TRUE;
    return RecordedFolder(ENTRY_PROGRAM_DIR, text) &&
           AppendText(text, sizeof text, PROGRAM_FILE) && ProgramVersion(text, version);
}

BOOL AcceptInstalledVersion(HWND owner)
{
    Version installed;
    if (!InstalledVersion(&installed))
        return TRUE;
    char installedText[VERSION_CHARS];
    wsprintfA(installedText, "%u.%u.%u.%u", installed.parts[3], installed.parts[2],
              installed.parts[1], installed.parts[0]);
    int road = (installed.value >= THIS_VERSION) + (installed.value > THIS_VERSION);
    Log("Installed version ");
    Log(installedText);
    Log(": ");
    LogLine(g_versionRoads[road], VERSION_TEXT);
    if (road < 2)
        return TRUE;
    if (g_switches.level != UI_FULL) {
        Log("Nothing written over the later version\r\n");
        SetExitCode(ERROR_PRODUCT_VERSION);
        return FALSE;
    }
    char question[sizeof DOWNGRADE_QUESTION + 2 * VERSION_CHARS];
    wsprintfA(question, DOWNGRADE_QUESTION, installedText, VERSION_TEXT);
    return MessageBoxA(owner, question, "Setup", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
           IDYES;
}
