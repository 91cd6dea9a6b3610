// Format checks for Quillmere's installed files. Every check reads only within the bytes
// it is given, so a cut or overwritten file gives a reason, never a fault.
#include "checks.h"
#include "text.h"

#define WSPRINTF_CHARS 1024 // wvsprintfA never writes more

BOOL Verdict(BOOL sound, char *note, int noteSize, const char *format, ...)
{
    char text[WSPRINTF_CHARS];
    va_list args;
    va_start(args, format);
    wvsprintfA(text, format, args);
    va_end(args);
    if (!CopyText(note, noteSize, text) && noteSize > 0)
        note[0] = '\0';
    return sound;
}

static WORD Word(const BYTE *p)
{
    return (WORD)(p[0] | p[1] << 8);
}

static DWORD Dword(const BYTE *p)
{
    return Word(p) | (DWORD)Word(p + 2) << 16;
}

// One line of a text file; ended tells whether CR LF closed it.
struct Line {
    const char *text;
    int length;
    BOOL ended;
};

static BOOL NextLine(const BYTE *data, DWORD size, DWORD *pos, Line *line)
{
    if (*pos >= size)
        return FALSE;
    DWORD start = *pos, end = start;
    while (end < size && data[end] != '\n')
        ++end;
    line->text = (const char *)data + start;
    line->ended = end < size && end > start && data[end - 1] == '\r';
    line->length = (int)(end - start) - (line->ended ? 1 : 0);
    *pos = end < size ? end + 1 : size;
    return TRUE;
}

static char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

// The counted text equals the terminated text, ignoring ASCII case.
static BOOL SameName(const char *text, int length, const char *name)
{
    int i = 0;
    for (; i < length && name[i]; ++i) {
        if (AsciiLower(text[i]) != AsciiLower(name[i]))
            return FALSE;
    }
    return i == length && !name[i];
}

static BOOL StartsWith(const Line *line, const char *prefix)
{
    int length = lstrlenA(prefix);
    return line->length >= length && SameName(line->text, length, prefix);
}

// Decimal digits only, at most nine of them.
static BOOL ParseNumber(const char *text, int length, DWORD *value)
{
    if (length < 1 || length > 9)
        return FALSE;
    *value = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return FALSE;
        *value = *value * 10 + (DWORD)(text[i] - '0');
    }
    return TRUE;
}

// Configuration files ------------------------------------------------------------------

enum IniKind { INI_BLANK, INI_SECTION, INI_SETTING, INI_MALFORMED };

// The kind of a line; for a section its name, for a setting its key and value.
static IniKind ClassifyIni(const Line *line, Line *name, Line *value)
{
    for (int i = 0; i < line->length; ++i) {
        if ((BYTE)line->text[i] < ' ' && line->text[i] != '\t')
            return INI_MALFORMED;
    }
    if (line->length == 0 || line->text[0] == ';')
        return INI_BLANK;
    if (line->text[0] == '[') {
        name->text = line->text + 1;
        name->length = line->length - 2;
        return name->length > 0 && line->text[line->length - 1] == ']' ? INI_SECTION
                                                                       : INI_MALFORMED;
    }
    int equals = 0;
    while (equals < line->length && line->text[equals] != '=')
        ++equals;
    if (equals == 0 || equals == line->length)
        return INI_MALFORMED;
    name->text = line->text;
    name->length = equals;
    value->text = line->text + equals + 1;
    value->length = line->length - equals - 1;
    return INI_SETTING;
}

BOOL IniValue(const BYTE *data, DWORD size, const char *section, const char *key, char *value,
              int valueSize)
{
    DWORD pos = 0;
    Line line, name, text;
    BOOL inSection = FALSE;
    while (NextLine(data, size, &pos, &line)) {
        IniKind kind = ClassifyIni(&line, &name, &text);
        if (kind == INI_SECTION)
            inSection = SameName(name.text, name.length, section);
        else if (kind == INI_SETTING && inSection && SameName(name.text, name.length, key)) {
            if (text.length >= valueSize)
                return FALSE;
            CopyMemory(value, text.text, text.length);
            value[text.length] = '\0';
            return TRUE;
        }
    }
    return FALSE;
}

#define MAX_SECTIONS 8

// Every line a section, a setting, a comment or blank, closed by CR LF; each required
// section present with at least one setting.
static BOOL CheckConfig(const BYTE *data, DWORD size, const char *const *sections, int count,
                        char *note, int noteSize)
{
    int settings[MAX_SECTIONS] = {0};
    int current = -1, number = 0, total = 0, found = 0;
    DWORD pos = 0;
    Line line, name, value;
    while (NextLine(data, size, &pos, &line)) {
        ++number;
        if (!line.ended)
            return Damaged(note, noteSize, "line %d is cut off or does not end in CR LF",
                           number);
        IniKind kind = ClassifyIni(&line, &name, &value);
        if (kind == INI_MALFORMED)
            return Damaged(note, noteSize, "line %d is not a section, setting or comment",
                           number);
        if (kind == INI_SECTION) {
            ++found;
            current = -1;
            for (int i = 0; i < count; ++i) {
                if (SameName(name.text, name.length, sections[i]))
                    current = i;
            }
        } else if (kind == INI_SETTING) {
            ++total;
            if (current >= 0)
                ++settings[current];
        }
    }
    for (int i = 0; i < count; ++i) {
        if (settings[i] == 0)
            return Damaged(note, noteSize, "section [%s] is missing or empty", sections[i]);
    }
    return Found(note, noteSize, "%d sections, %d settings", found, total);
}

static const char *const CORE_SECTIONS[] = {"Quillmere", "Editor", "Files", "Spelling",
                                            "Libraries"};
static const char *const PREFS_SECTIONS[] = {"Window", "View", "Recent", "UserDictionary"};
static_assert(sizeof CORE_SECTIONS / sizeof CORE_SECTIONS[0] <= MAX_SECTIONS, "sections");

BOOL CheckCoreConfig(const BYTE *data, DWORD size, char *note, int noteSize)
{
    return CheckConfig(data, size, CORE_SECTIONS, sizeof CORE_SECTIONS / sizeof CORE_SECTIONS[0],
                       note, noteSize);
}

BOOL CheckUserPrefs(const BYTE *data, DWORD size, char *note, int noteSize)
{
    return CheckConfig(data, size, PREFS_SECTIONS,
                       sizeof PREFS_SECTIONS / sizeof PREFS_SECTIONS[0], note, noteSize);
}

// Programs and libraries ----------------------------------------------------------------

#define PE_SIGNATURE 0x00004550u // "PE\0\0"
#define PE_MACHINE_I386 0x14C
#define PE_FILE_DLL 0x2000
#define PE_SECTION_BYTES 40

// A 32-bit Windows image whose headers and every section lie within the file.
static BOOL CheckImage(const BYTE *data, DWORD size, BOOL library, char *note, int noteSize)
{
    if (size < 64 || data[0] != 'M' || data[1] != 'Z')
        return Damaged(note, noteSize, "not a Windows program file (no MZ header)");
    DWORD header = Dword(data + 0x3C);
    if (header > size - 24 || Dword(data + header) != PE_SIGNATURE)
        return Damaged(note, noteSize, "its PE header is missing or cut off");
    const BYTE *file = data + header + 4;
    if (Word(file) != PE_MACHINE_I386)
        return Damaged(note, noteSize, "not a 32-bit x86 image");
    if (((Word(file + 18) & PE_FILE_DLL) != 0) != library)
        return Damaged(note, noteSize, library ? "not a library" : "a library, not a program");
    DWORD sections = Word(file + 2);
    DWORD table = header + 24 + Word(file + 16);
    if (sections == 0 || table > size || (size - table) / PE_SECTION_BYTES < sections)
        return Damaged(note, noteSize, "its section table is cut off");
    for (DWORD i = 0; i < sections; ++i) {
        const BYTE *section = data + table + i * PE_SECTION_BYTES;
        DWORD bytes = Dword(section + 16), start = Dword(section + 20);
        if (bytes && (start > size || bytes > size - start))
            return Damaged(note, noteSize, "section %d runs past the end of the file (%lu bytes)",
                           (int)i + 1, size);
    }
    return Found(note, noteSize, "%lu bytes, %d sections", size, (int)sections);
}

BOOL CheckLibraryImage(const BYTE *data, DWORD size, char *note, int noteSize)
{
    return CheckImage(data, size, TRUE, note, noteSize);
}

BOOL CheckProgramImage(const BYTE *data, DWORD size, char *note, int noteSize)
{
    return CheckImage(data, size, FALSE, note, noteSize);
}

// Help file -----------------------------------------------------------------------------

#define TOPIC_PREFIX "TOPIC "
#define TOPIC_OFFSET_DIGITS 8
#define MAX_TOPICS 1000

// "TOPIC <8 digits> <id> <title>" whose offset points at "@@ <id>" CR LF in the file.
static BOOL TopicFound(const BYTE *data, DWORD size, const Line *line)
{
    const int idStart = sizeof TOPIC_PREFIX - 1 + TOPIC_OFFSET_DIGITS + 1;
    DWORD offset;
    if (!StartsWith(line, TOPIC_PREFIX) || line->length <= idStart ||
        !ParseNumber(line->text + sizeof TOPIC_PREFIX - 1, TOPIC_OFFSET_DIGITS, &offset) ||
        line->text[idStart - 1] != ' ')
        return FALSE;
    int idLength = 0;
    while (idStart + idLength < line->length && line->text[idStart + idLength] != ' ')
        ++idLength;
    DWORD need = 3 + (DWORD)idLength + 2;
    if (offset > size || size - offset < need)
        return FALSE;
    const char *at = (const char *)data + offset;
    if (at[0] != '@' || at[1] != '@' || at[2] != ' ')
        return FALSE;
    for (int i = 0; i < idLength; ++i) {
        if (at[3 + i] != line->text[idStart + i])
            return FALSE;
    }
    return at[3 + idLength] == '\r' && at[4 + idLength] == '\n';
}

BOOL CheckHelp(const BYTE *data, DWORD size, char *note, int noteSize)
{
    DWORD pos = 0, topics = 0;
    Line line;
    if (!NextLine(data, size, &pos, &line) || !line.ended || !SameName(line.text, line.length,
                                                                       "QMHELP 1"))
        return Damaged(note, noteSize, "no QMHELP 1 header");
    if (!NextLine(data, size, &pos, &line) || !line.ended || !StartsWith(&line, "TITLE "))
        return Damaged(note, noteSize, "no TITLE line");
    if (!NextLine(data, size, &pos, &line) || !line.ended || !StartsWith(&line, "TOPICS ") ||
        !ParseNumber(line.text + 7, line.length - 7, &topics) || topics < 1 ||
        topics > MAX_TOPICS)
        return Damaged(note, noteSize, "no TOPICS line");
    for (DWORD i = 0; i < topics; ++i) {
        if (!NextLine(data, size, &pos, &line) || !TopicFound(data, size, &line))
            return Damaged(note, noteSize, "index entry %d does not lead to its topic",
                           (int)i + 1);
    }
    if (!NextLine(data, size, &pos, &line) || !SameName(line.text, line.length, "END"))
        return Damaged(note, noteSize, "the index does not end after %d topics", (int)topics);
    return Found(note, noteSize, "%d topics", (int)topics);
}

// Picture -------------------------------------------------------------------------------

#define BMP_HEADERS 54 // file header and BITMAPINFOHEADER

BOOL CheckBitmap(const BYTE *data, DWORD size, char *note, int noteSize)
{
    if (size < BMP_HEADERS || data[0] != 'B' || data[1] != 'M')
        return Damaged(note, noteSize, "not a BMP picture");
    if (Dword(data + 2) != size)
        return Damaged(note, noteSize, "its header says %lu bytes, the file has %lu",
                       Dword(data + 2), size);
    LONG width = (LONG)Dword(data + 18), height = (LONG)Dword(data + 22);
    if (Dword(data + 14) != 40 || Word(data + 26) != 1 || Word(data + 28) != 8 ||
        Dword(data + 30) != BI_RGB)
        return Damaged(note, noteSize, "not an uncompressed 8-bit picture");
    DWORD colours = Dword(data + 46) ? Dword(data + 46) : 256;
    if (width < 1 || width > 10000 || height < 1 || height > 10000 || colours > 256)
        return Damaged(note, noteSize, "odd dimensions or palette");
    DWORD pixels = Dword(data + 10), stride = ((DWORD)width + 3) & ~3u;
    if (pixels != BMP_HEADERS + 4 * colours || pixels + stride * (DWORD)height != size)
        return Damaged(note, noteSize, "its pixels do not fill %ld x %ld", width, height);
    return Found(note, noteSize, "%ld x %ld picture, %lu colours", width, height, colours);
}

// Notes document ------------------------------------------------------------------------

#define WRITE_PAGE 128

BOOL CheckWrite(const BYTE *data, DWORD size, char *note, int noteSize)
{
    if (size < WRITE_PAGE || Word(data) != 0xBE31 || Word(data + 2) != 0 ||
        Word(data + 4) != 0xAB00)
        return Damaged(note, noteSize, "not a Write document (no 0xBE31 header)");
    DWORD pages = Word(data + 96), text = Dword(data + 14);
    if (pages * WRITE_PAGE != size)
        return Damaged(note, noteSize, "its header counts %lu pages, the file holds %lu bytes",
                       pages, size);
    if (text <= WRITE_PAGE || text > size)
        return Damaged(note, noteSize, "its text runs past the end of the file");
    return Found(note, noteSize, "Write document, %lu characters of text", text - WRITE_PAGE);
}

// Word list -----------------------------------------------------------------------------

#define WORDS_PREFIX "QMWORDS 1 "

static BOOL IsWord(const Line *line)
{
    for (int i = 0; i < line->length; ++i) {
        char c = line->text[i];
        if (!(c >= 'a' && c <= 'z') && c != '\'' && c != '-')
            return FALSE;
    }
    return line->length > 0;
}

// Byte order, as the list is sorted.
static BOOL Before(const Line *a, const Line *b)
{
    int common = a->length < b->length ? a->length : b->length;
    for (int i = 0; i < common; ++i) {
        if (a->text[i] != b->text[i])
            return (BYTE)a->text[i] < (BYTE)b->text[i];
    }
    return a->length < b->length;
}

BOOL CheckWordList(const BYTE *data, DWORD size, char *note, int noteSize)
{
    DWORD pos = 0, count = 0, words = 0;
    Line line, previous = {"", 0, TRUE};
    if (!NextLine(data, size, &pos, &line) || !line.ended || !StartsWith(&line, WORDS_PREFIX))
        return Damaged(note, noteSize, "no QMWORDS 1 header");
    int space = line.length;
    while (space > 0 && line.text[space - 1] != ' ')
        --space;
    if (space <= (int)sizeof WORDS_PREFIX ||
        !ParseNumber(line.text + space, line.length - space, &count))
        return Damaged(note, noteSize, "its header has no name or word count");
    while (NextLine(data, size, &pos, &line)) {
        ++words;
        if (!line.ended || !IsWord(&line))
            return Damaged(note, noteSize, "word %lu is cut off or malformed", words);
        if (!Before(&previous, &line))
            return Damaged(note, noteSize, "word %lu is out of order", words);
        previous = line;
    }
    if (words != count)
        return Damaged(note, noteSize, "its header counts %lu words, the file has %lu", count,
                       words);
    return Found(note, noteSize, "%lu words", words);
}

// Which check each installed file gets ---------------------------------------------------

struct FormatRow {
    const char *destination;
    FormatCheck check;
};

static const FormatRow FORMAT_ROWS[] = {
    {"\\qmcore.cfg", CheckCoreConfig},
    {"\\userprefs.cfg", CheckUserPrefs},
    {"\\fastio.dll", CheckLibraryImage},
    {"\\deflt.dll", CheckLibraryImage},
    {"\\expand32.dll", CheckLibraryImage},
    {"\\bundle32.dll", CheckLibraryImage},
    {"\\quillmere.exe", CheckProgramImage},
    {"\\qmguide.hlp", CheckHelp},
    {"\\qmkeys.kbm", CheckBitmap},
    {"\\notes.wri", CheckWrite},
    {"\\removequill.exe", CheckProgramImage},
    {"\\netxfer.dll", CheckLibraryImage},
    {"\\oldarc.dll", CheckLibraryImage},
    {"\\lists\\GENERAL.DAT", CheckWordList},
};

FormatCheck FormatCheckFor(const char *destination)
{
    for (unsigned i = 0; i < sizeof FORMAT_ROWS / sizeof FORMAT_ROWS[0]; ++i) {
        if (lstrcmpiA(FORMAT_ROWS[i].destination, destination) == 0)
            return FORMAT_ROWS[i].check;
    }
    return NULL;
}
