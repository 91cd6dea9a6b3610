// Quillmere's own file checks: every built payload file passes, and each kind of damage
// is caught with its reason. Argument: the product tree's payload folder.
#include "../check.h"
#include "../../shared/manifest.h"
#include "../../payload/quillmere/checks.h"
#include <string>
#include <string.h>

static std::string g_payload;

static bool ReadBuilt(const char *destination, std::string *bytes)
{
    FileBytes file;
    if (ReadWholeFile((g_payload + destination).c_str(), &file) != 0)
        return false;
    bytes->assign((const char *)file.data, file.size);
    FreeFileBytes(&file);
    return true;
}

static BOOL Check(const char *destination, const std::string &bytes, char *note, int size)
{
    FormatCheck check = FormatCheckFor(destination);
    return check && check((const BYTE *)bytes.data(), (DWORD)bytes.size(), note, size);
}

// Every row of the installation table has a check, and the built file passes it; no
// file passes empty.
static void TestBuiltFilesAreSound()
{
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        const char *destination = PayloadManifest.destination[row];
        std::string bytes;
        char note[NOTE_CHARS];
        ok(FormatCheckFor(destination) != NULL, "%s has a check", destination);
        ok(ReadBuilt(destination, &bytes), "%s was built", destination);
        ok(Check(destination, bytes, note, sizeof note), "%s is sound: %s", destination, note);
        ok(!Check(destination, "", note, sizeof note) && note[0],
           "%s: an empty file is damage (%s)", destination, note);
    }
    ok(FormatCheckFor("\\selftest.log") == NULL, "no check for a file that is not installed");
}

static void Cut(std::string &bytes, size_t keep)
{
    bytes.resize(keep < bytes.size() ? keep : bytes.size());
}

static void Replace(std::string &bytes, const char *from, const char *to)
{
    size_t at = bytes.find(from);
    if (at != std::string::npos)
        bytes.replace(at, strlen(from), to);
}

struct DamageCase {
    const char *destination;
    void (*damage)(std::string &bytes);
    const char *reason; // a part of the note
};

static const DamageCase DAMAGE_CASES[] = {
    {"\\qmcore.cfg", [](std::string &b) { Cut(b, b.find("[Libraries]")); },
     "section [Libraries] is missing or empty"},
    {"\\qmcore.cfg", [](std::string &b) { Cut(b, b.size() - 3); }, "line 39 is cut off"},
    {"\\qmcore.cfg", [](std::string &b) { Replace(b, "TabWidth=4", "TabWidth 4"); },
     "line 15 is not a section, setting or comment"},
    {"\\qmcore.cfg", [](std::string &b) { Replace(b, "[Editor]", "[Editor"); },
     "is not a section, setting or comment"},
    {"\\userprefs.cfg", [](std::string &b) { Replace(b, "\r\n", "\n"); },
     "line 1 is cut off or does not end in CR LF"},
    {"\\userprefs.cfg", [](std::string &b) { Replace(b, "Path=", "Pa\x01th="); },
     "is not a section, setting or comment"},
    {"\\userprefs.cfg", [](std::string &b) { Replace(b, "[Window]", "[Windows]"); },
     "section [Window] is missing or empty"},
    {"\\fastio.dll", [](std::string &b) { Cut(b, b.size() * 2 / 3); },
     "runs past the end of the file"},
    {"\\fastio.dll", [](std::string &b) { b[0] = 'Z'; }, "no MZ header"},
    {"\\deflt.dll", [](std::string &b) { Cut(b, 300); }, "section table is cut off"},
    {"\\deflt.dll", [](std::string &b) { Cut(b, 100); }, "PE header is missing or cut off"},
    {"\\quillmere.exe", [](std::string &b) { b.replace(0x3C, 4, "\xF0\xFF\x00\x00", 4); },
     "PE header is missing or cut off"},
    {"\\removequill.exe", [](std::string &b) { b[b.find("PE\0\0", 0, 4) + 4] = 0x64; },
     "not a 32-bit x86 image"},
    {"\\qmguide.hlp", [](std::string &b) { Cut(b, b.size() / 2); },
     "does not lead to its topic"},
    {"\\qmguide.hlp", [](std::string &b) { Replace(b, "QMHELP 1", "QMHELP 2"); },
     "no QMHELP 1 header"},
    {"\\qmguide.hlp", [](std::string &b) { Replace(b, "\r\nEND\r\n", "\r\nEMD\r\n"); },
     "the index does not end"},
    {"\\qmkeys.kbm", [](std::string &b) { Cut(b, b.size() - 1); }, "its header says 82182"},
    {"\\qmkeys.kbm", [](std::string &b) { b[28] = 4; }, "not an uncompressed 8-bit picture"},
    {"\\qmkeys.kbm", [](std::string &b) { b[18] = (char)(b[18] + 4); },
     "its pixels do not fill"},
    {"\\notes.wri", [](std::string &b) { Cut(b, b.size() - 128); }, "its header counts"},
    {"\\notes.wri", [](std::string &b) { b[0] = 0x32; }, "not a Write document"},
    {"\\notes.wri", [](std::string &b) { b.replace(14, 4, "\xFF\xFF\x00\x00", 4); },
     "its text runs past the end"},
    {"\\lists\\GENERAL.DAT", [](std::string &b) { Cut(b, b.rfind('\n', b.size() - 2) + 1); },
     "words, the file has"},
    {"\\lists\\GENERAL.DAT", [](std::string &b) { Cut(b, b.size() - 3); }, "is cut off"},
    {"\\lists\\GENERAL.DAT", [](std::string &b) { Replace(b, "\r\nabout\r\n", "\r\nAbout\r\n"); },
     "malformed"},
    {"\\lists\\GENERAL.DAT", [](std::string &b) { Replace(b, "\r\nabove\r\n", "\r\naaaa\r\n"); },
     "out of order"},
    {"\\lists\\GENERAL.DAT", [](std::string &b) { Replace(b, "GENERAL ", ""); },
     "no name or word count"},
};

static void TestDamageIsNamed()
{
    for (const DamageCase &c : DAMAGE_CASES) {
        std::string bytes;
        char note[NOTE_CHARS] = "";
        if (!ReadBuilt(c.destination, &bytes))
            continue;
        std::string damaged = bytes;
        c.damage(damaged);
        ok(damaged != bytes, "%s: the damage changed something", c.destination);
        BOOL sound = Check(c.destination, damaged, note, sizeof note);
        ok(!sound && strstr(note, c.reason), "%s: expected damage \"%s\", got \"%s\"",
           c.destination, c.reason, note);
    }
}

// A library is not a program, nor the other way round.
static void TestImageKinds()
{
    std::string library, program;
    char note[NOTE_CHARS];
    if (!ReadBuilt("\\oldarc.dll", &library) || !ReadBuilt("\\quillmere.exe", &program))
        return;
    ok(!CheckProgramImage((const BYTE *)library.data(), (DWORD)library.size(), note,
                          sizeof note) &&
           strcmp(note, "a library, not a program") == 0,
       "a library as a program: %s", note);
    ok(!CheckLibraryImage((const BYTE *)program.data(), (DWORD)program.size(), note,
                          sizeof note) &&
           strcmp(note, "not a library") == 0,
       "a program as a library: %s", note);
}

struct IniCase {
    const char *section;
    const char *key;
    int size;
    const char *expected; // NULL: none
};

static void TestIniValue()
{
    static const char text[] = "; comment\r\n[One]\r\nKey=first\r\nEmpty=\r\n\r\n"
                               "[Two]\r\nkey=second=part\r\nLong=0123456789\r\n";
    static const IniCase cases[] = {
        {"One", "Key", 64, "first"},
        {"one", "KEY", 64, "first"},
        {"Two", "Key", 64, "second=part"},
        {"One", "Empty", 64, ""},
        {"Two", "Long", 11, "0123456789"}, // exactly fits
        {"Two", "Long", 10, NULL},
        {"One", "Long", 64, NULL},
        {"Three", "Key", 64, NULL},
        {"One", "Ke", 64, NULL},
    };
    for (const IniCase &c : cases) {
        char value[64] = "untouched";
        BOOL found = IniValue((const BYTE *)text, sizeof text - 1, c.section, c.key, value,
                              c.size);
        ok(c.expected ? found && strcmp(value, c.expected) == 0 : !found,
           "[%s] %s in %d: expected %s, got %s", c.section, c.key, c.size,
           c.expected ? c.expected : "none", found ? value : "none");
    }
}

static void TestNotes()
{
    char note[8] = "";
    ok(Found(note, sizeof note, "%d items", 1234) && strcmp(note, "1234 it") != 0 &&
           note[0] == '\0',
       "a note that does not fit is left empty, got \"%s\"", note);
    ok(!Damaged(note, sizeof note, "%d bad", 7) && strcmp(note, "7 bad") == 0,
       "a damage note: \"%s\"", note);
    FileBytes file;
    ok(ReadWholeFile((g_payload + "\\no-such-file").c_str(), &file) == ERROR_FILE_NOT_FOUND &&
           file.data == NULL,
       "a missing file reads as ERROR_FILE_NOT_FOUND");
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        printf("usage: unit_product_checks PAYLOAD_FOLDER\n");
        return 2;
    }
    g_payload = argv[1];
    TestBuiltFilesAreSound();
    TestDamageIsNamed();
    TestImageKinds();
    TestIniValue();
    TestNotes();
    return check_summary();
}
