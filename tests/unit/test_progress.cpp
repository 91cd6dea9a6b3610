// The copy page's progress arithmetic and the payload manifest's layout.
#include "../check.h"
#include "../../install/internal.h"
#include <stddef.h>
#include <string.h>

static const char *const g_texts[] = {"7",  "14", "21", "28", "35", "42", "50",
                                      "57", "64", "71", "78", "85", "92", "100"};

static void TestWidth438()
{
    static const LONG fills[] = {0, 34, 68, 101, 135, 169, 202, 236, 270, 303, 337, 371, 404, 438};
    CopyProgress progress;
    ProgressSetup(&progress, 438, 20, 13);
    ok(progress.stepWhole == 33 && progress.stepDigits[0] == 6 && progress.stepDigits[1] == 9 &&
           progress.stepDigits[2] == 2 && progress.stepDigits[3] == 3,
       "438 / 13 = 33.6923, got %ld.%ld%ld%ld%ld", progress.stepWhole, progress.stepDigits[0],
       progress.stepDigits[1], progress.stepDigits[2], progress.stepDigits[3]);
    for (int step = 0; step < 14; ++step) {
        BOOL textDue = ProgressAdvance(&progress);
        ok(progress.fill.right == fills[step] && textDue &&
               strcmp(progress.text, g_texts[step]) == 0,
           "step %d: expected fill %ld and \"%s\", got %ld and \"%s\"", step + 1, fills[step],
           g_texts[step], progress.fill.right, progress.text);
        ok(progress.fill.left == 0 && progress.fill.top == 2 && progress.fill.bottom == 18,
           "step %d: the fill stays in rows 2 to 18", step + 1);
    }
    ok(!ProgressAdvance(&progress) && progress.fill.right == 438,
       "a fifteenth step draws no text and stays at the width");
}

// Any width: the texts never change, the first step draws no blue, the fill never
// passes the width and never goes back.
static void TestAnyWidth()
{
    static const LONG widths[] = {0, 1, 5, 12, 13, 14, 100, 292, 438, 439, 500, 1000, 4096};
    for (unsigned i = 0; i < sizeof widths / sizeof widths[0]; ++i) {
        LONG width = widths[i];
        CopyProgress progress;
        ProgressSetup(&progress, width, 20, 13);
        LONG last = 0;
        int badTexts = 0, overruns = 0, backwards = 0;
        for (int step = 0; step < 14; ++step) {
            if (!ProgressAdvance(&progress) || strcmp(progress.text, g_texts[step]) != 0)
                ++badTexts;
            if (step == 0)
                ok(progress.fill.right == 0, "width %ld: the first step draws no blue", width);
            overruns += progress.fill.right > width;
            backwards += progress.fill.right < last;
            last = progress.fill.right;
        }
        ok(badTexts == 0 && overruns == 0 && backwards == 0,
           "width %ld: %d wrong texts, %d overruns, %d steps back", width, badTexts, overruns,
           backwards);
        if (width >= 13)
            ok(progress.fill.right == width, "width %ld: full at the last step, got %ld", width,
               progress.fill.right);
    }
}

static void TestNarrowBar()
{
    // Narrower than 13 pixels: no whole pixels per step, at most one pixel a step.
    CopyProgress progress;
    ProgressSetup(&progress, 10, 20, 13);
    ok(progress.stepWhole == 0, "10 / 13 has no whole part");
    LONG last = 0;
    int jumps = 0;
    for (int step = 0; step < 14; ++step) {
        ProgressAdvance(&progress);
        jumps += progress.fill.right - last > 1;
        last = progress.fill.right;
    }
    ok(jumps == 0 && last == 10, "one pixel at most per step, ending at %ld", last);
}

// The bar is 20 pixels tall at 96 dots per inch; a taller one keeps the fill's rows and the
// number's top in proportion, and the fill always inside the bar.
static void TestHeights()
{
    static const LONG cases[][4] = {
        // height, fill top, fill bottom, text top
        {20, 2, 18, 1}, {24, 2, 22, 1}, {25, 3, 23, 1}, {30, 3, 27, 2}, {40, 4, 36, 2},
    };
    for (unsigned i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        CopyProgress progress;
        ProgressSetup(&progress, 438, cases[i][0], 13);
        ok(progress.fill.top == cases[i][1] && progress.fill.bottom == cases[i][2] &&
               progress.textTop == cases[i][3],
           "height %ld: expected rows %ld to %ld, text at %ld; got %ld to %ld, text at %ld",
           cases[i][0], cases[i][1], cases[i][2], cases[i][3], progress.fill.top,
           progress.fill.bottom, progress.textTop);
    }
    int outside = 0;
    for (LONG height = 0; height <= 200; ++height) {
        CopyProgress progress;
        ProgressSetup(&progress, 438, height, 13);
        outside += progress.fill.top < 0 || progress.fill.bottom > height ||
                   progress.fill.top > progress.fill.bottom;
    }
    ok(outside == 0, "heights 0 to 200: the fill leaves the bar at %d of them", outside);
}

static void TestManifest()
{
    static const char *const names[MANIFEST_ROWS][2] = {
        {"qmcore.cf_", "\\qmcore.cfg"},     {"userpr~1.cf_", "\\userprefs.cfg"},
        {"fastio.dl_", "\\fastio.dll"},     {"deflt.dl_", "\\deflt.dll"},
        {"expand32.dl_", "\\expand32.dll"}, {"bundle32.dl_", "\\bundle32.dll"},
        {"quillm~1.ex_", "\\quillmere.exe"}, {"qmguide.hl_", "\\qmguide.hlp"},
        {"qmkeys.kb_", "\\qmkeys.kbm"},     {"notes.wr_", "\\notes.wri"},
        {"remove~1.ex_", "\\removequill.exe"}, {"netxfer.dl_", "\\netxfer.dll"},
        {"oldarc.dl_", "\\oldarc.dll"},     {"GENERAL.DA__", "\\lists\\GENERAL.DAT"},
    };
    ok(sizeof PayloadManifest == 2 * 14 * 40 &&
           offsetof(PayloadManifestTable, destination) == 14 * 40,
       "two arrays of fourteen 40-byte fields, names first");
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        const char *name = PayloadManifest.compressedName[row];
        const char *destination = PayloadManifest.destination[row];
        ok(strcmp(name, names[row][0]) == 0 && strcmp(destination, names[row][1]) == 0,
           "row %d: expected %s %s, got %s %s", row, names[row][0], names[row][1], name,
           destination);
        int padding = 0;
        for (size_t i = strlen(destination); i < MANIFEST_FIELD; ++i)
            padding += destination[i] != '\0';
        ok(padding == 0 && destination[0] == '\\', "row %d: NUL-padded, leading backslash", row);
    }
    ok(strcmp(PayloadSubdirs[0], "\\lists") == 0, "the one sub-directory is \\lists");
}

int main()
{
    TestWidth438();
    TestAnyWidth();
    TestNarrowBar();
    TestHeights();
    TestManifest();
    return check_summary();
}
