// Walks the installation table: reads each file, checks its format, and loads each library
// to ask it one question whose answer is known.
#include "survey.h"
#include "checks.h"
#include "api.h"
#include "manifest.h"
#include "text.h"
#include "bundle32.h"
#include "deflt.h"
#include "expand32.h"
#include "fastio.h"
#include "netxfer.h"
#include "oldarc.h"

#define HEADLINE_CHARS 128

struct ProbeInput {
    const char *folder; // the installation folder
    const char *path;   // the library itself
    DWORD size;         // its size as read
};
typedef BOOL (*ProbeFunction)(FARPROC function, const ProbeInput *input, char *note,
                              int noteSize);

struct LibraryProbe {
    const char *destination;
    const char *exportName;
    ProbeFunction probe;
};

// The library's file size as the library reads it.
static BOOL ProbeFastIo(FARPROC function, const ProbeInput *input, char *note, int noteSize)
{
    unsigned long size = 0;
    unsigned long error = ExportAs<decltype(&FastIoFileSize)>(function)(input->path, &size);
    if (error != 0 || size != input->size)
        return Damaged(note, noteSize, "FastIoFileSize gave error %lu and %lu bytes", error,
                       size);
    return Found(note, noteSize, "FastIoFileSize agrees: %lu bytes", size);
}

// The editor's tab width, which every configuration falls back on.
static BOOL ProbeDeflt(FARPROC function, const ProbeInput *, char *note, int noteSize)
{
    int width = 0;
    int result = ExportAs<decltype(&DefltGetInt)>(function)("Editor", "TabWidth", &width);
    if (result != DEFLT_OK || width < 1 || width > 16)
        return Damaged(note, noteSize, "DefltGetInt gave %d for the tab width", result);
    return Found(note, noteSize, "default tab width %d", width);
}

// The help file's path from a template with the installation folder in it.
static BOOL ProbeExpand(FARPROC function, const ProbeInput *input, char *note, int noteSize)
{
    static const char *const names[] = {"APPDIR"};
    const char *values[] = {input->folder};
    char expanded[MAX_PATH + 32], expected[MAX_PATH + 32];
    int length = ExportAs<decltype(&Expand32Vars)>(function)("%APPDIR%\\qmguide.hlp", expanded,
                                                           sizeof expanded, names, values, 1);
    if (!CopyText(expected, sizeof expected, input->folder) ||
        !AppendText(expected, sizeof expected, "\\qmguide.hlp") || length != lstrlenA(expected) ||
        lstrcmpA(expanded, expected) != 0)
        return Damaged(note, noteSize, "Expand32Vars gave %d", length);
    return Found(note, noteSize, "Expand32Vars finds the help file");
}

// Two small documents packed as the header of bundle32.h lays them out.
static BOOL ProbeBundle(FARPROC function, const ProbeInput *, char *note, int noteSize)
{
    static const Bundle32Item items[] = {{"a", "xy", 2}, {"bc", "", 0}};
    static const BYTE expected[] = {'Q', 'M', 'B', 'N', 1, 0, 2, 0, 2, 0,   'a', 0, 2, 0,
                                    0,   0,   'x', 'y', 3, 0, 'b', 'c', 0, 0, 0,   0, 0};
    BYTE packed[64];
    unsigned long written = 0;
    int result = ExportAs<decltype(&Bundle32Pack)>(function)(items, 2, packed, sizeof packed,
                                                              &written);
    if (result != BUNDLE32_OK || written != sizeof expected ||
        !SameBytes(packed, expected, sizeof expected))
        return Damaged(note, noteSize, "Bundle32Pack gave %d and %lu bytes", result, written);
    return Found(note, noteSize, "Bundle32Pack packs two documents");
}

// The standard check value of CRC-32.
static BOOL ProbeNetXfer(FARPROC function, const ProbeInput *, char *note, int noteSize)
{
    unsigned long crc = ExportAs<decltype(&NetXferCrc32)>(function)(0, "123456789", 9);
    if (crc != 0xCBF43926ul)
        return Damaged(note, noteSize, "NetXferCrc32 gave %08lX", crc);
    return Found(note, noteSize, "NetXferCrc32 gives %08lX", crc);
}

// Three literals, then a match that repeats them twice.
static BOOL ProbeOldArc(FARPROC function, const ProbeInput *, char *note, int noteSize)
{
    static const BYTE packed[] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33, 'A', 't',
                                  9,   0,   0,   0,   0x07, 'a',  'b',  'c',  0xF0, 0xF3};
    char text[16] = "";
    unsigned long written = 0;
    int result = ExportAs<decltype(&OldArcExpand)>(function)(packed, sizeof packed, text,
                                                              sizeof text - 1, &written);
    if (result != OLDARC_OK || written != 9 || lstrcmpA(text, "abcabcabc") != 0)
        return Damaged(note, noteSize, "OldArcExpand gave %d and %lu bytes", result, written);
    return Found(note, noteSize, "OldArcExpand expands a sample");
}

static const LibraryProbe LIBRARY_PROBES[] = {
    {"\\fastio.dll", "FastIoFileSize", ProbeFastIo},
    {"\\deflt.dll", "DefltGetInt", ProbeDeflt},
    {"\\expand32.dll", "Expand32Vars", ProbeExpand},
    {"\\bundle32.dll", "Bundle32Pack", ProbeBundle},
    {"\\netxfer.dll", "NetXferCrc32", ProbeNetXfer},
    {"\\oldarc.dll", "OldArcExpand", ProbeOldArc},
};

static const LibraryProbe *ProbeFor(const char *destination)
{
    for (unsigned i = 0; i < sizeof LIBRARY_PROBES / sizeof LIBRARY_PROBES[0]; ++i) {
        if (lstrcmpiA(LIBRARY_PROBES[i].destination, destination) == 0)
            return &LIBRARY_PROBES[i];
    }
    return NULL;
}

static BOOL RunProbe(const LibraryProbe *probe, const ProbeInput *input, char *note,
                     int noteSize)
{
    HMODULE library = LoadLibraryA(input->path);
    if (!library) {
        char error[NOTE_CHARS];
        DescribeError(GetLastError(), error, sizeof error);
        CopyText(note, noteSize, "cannot be loaded: ");
        AppendText(note, noteSize, error);
        return FALSE;
    }
    FARPROC function = GetProcAddress(library, probe->exportName);
    BOOL sound = function ? probe->probe(function, input, note, noteSize)
                          : Damaged(note, noteSize, "has no export %s", probe->exportName);
    FreeLibrary(library);
    return sound;
}

// "name: state, note" for one row of the table; whether the file is sound.
static BOOL SurveyRow(const char *folder, int row, char *line, int lineSize)
{
    const char *destination = PayloadManifest.destination[row];
    char path[MAX_PATH + MANIFEST_FIELD], note[NOTE_CHARS] = "", probeNote[NOTE_CHARS] = "";
    const char *state = "ok";
    BOOL sound = FALSE;
    FileBytes file;
    DWORD error = CopyText(path, sizeof path, folder) &&
                          AppendText(path, sizeof path, destination)
                      ? ReadWholeFile(path, &file)
                      : ERROR_FILENAME_EXCED_RANGE;
    if (error) {
        state = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? "MISSING"
                                                                               : "UNREADABLE";
        DescribeError(error, note, sizeof note);
    } else {
        FormatCheck check = FormatCheckFor(destination);
        sound = check ? check(file.data, file.size, note, sizeof note)
                      : Found(note, sizeof note, "%lu bytes", file.size);
        const LibraryProbe *probe = ProbeFor(destination);
        ProbeInput input = {folder, path, file.size};
        if (sound && probe)
            sound = RunProbe(probe, &input, probeNote, sizeof probeNote);
        if (!sound)
            state = "DAMAGED";
        FreeFileBytes(&file);
    }
    CopyText(line, lineSize, destination + 1);
    AppendText(line, lineSize, ": ");
    AppendText(line, lineSize, state);
    AppendText(line, lineSize, ", ");
    AppendText(line, lineSize, note);
    if (probeNote[0] && AppendText(line, lineSize, "; "))
        AppendText(line, lineSize, probeNote);
    AppendText(line, lineSize, "\r\n");
    return sound;
}

void SurveyInstallation(const char *folder, Survey *survey)
{
    static char lines[REPORT_CHARS - HEADLINE_CHARS];
    char line[MAX_PATH + 3 * NOTE_CHARS];
    lines[0] = '\0';
    survey->faults = 0;
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        if (!SurveyRow(folder, row, line, sizeof line))
            ++survey->faults;
        AppendText(lines, sizeof lines, line);
    }
    char headline[HEADLINE_CHARS];
    if (survey->faults == 0)
        wsprintfA(headline, "All %d installed files are present and sound.\r\n\r\n",
                  MANIFEST_ROWS);
    else
        wsprintfA(headline, "%d of %d installed files are missing or damaged.\r\n\r\n",
                  survey->faults, MANIFEST_ROWS);
    CopyText(survey->report, sizeof survey->report, headline);
    AppendText(survey->report, sizeof survey->report, lines);
}
