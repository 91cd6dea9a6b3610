// Path rules of the install-directory page and the folder browsers.
#include "../check.h"
#include "../../pages/internal.h"
#include <commctrl.h>
#include <string.h>

struct ComposeCase {
    const char *base;
    const char *name;
    const char *expected;
};

static void TestComposeInstallDir()
{
    static const ComposeCase cases[] = {
        {"C:\\Program files", "Quillmere", "C:\\Program files\\Quillmere"},
        {"C:\\", "Quillmere", "C:\\Quillmere"},
        {"", "Quillmere", "Quillmere"},
        {"C:\\Program files", "", "C:\\Program files\\"},
    };
    for (unsigned i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        lstrcpyA(g_baseDir, cases[i].base);
        lstrcpyA(g_dirName, cases[i].name);
        ok(ComposeInstallDir() && lstrcmpA(g_installDir, cases[i].expected) == 0,
           "compose \"%s\" + \"%s\": expected \"%s\", got \"%s\"", cases[i].base,
           cases[i].name, cases[i].expected, g_installDir);
    }
    // A composition that would not fit is refused and leaves the last one in place.
    memset(g_baseDir, 'x', PATH_CHARS - 5);
    g_baseDir[PATH_CHARS - 5] = '\0';
    lstrcpyA(g_dirName, "Quillmere");
    ok(!ComposeInstallDir() && lstrcmpA(g_installDir, "C:\\Program files\\") == 0,
       "an over-long directory is refused");
}

struct DriveCase {
    const char *strings; // root paths, each ended by a NUL, the list by another
    int size;
    const char *startDir;
    int count;
    int startIndex;  // after reading the table
    int chosenIndex; // after the C: rule
    const char *base;
};

static void TestDriveScan()
{
    static const char many[] = "A:\\\0B:\\\0C:\\\0D:\\\0E:\\\0F:\\\0G:\\\0H:\\\0I:\\\0J:\\\0"
                               "K:\\\0L:\\\0M:\\\0N:\\\0O:\\\0P:\\\0Q:\\\0R:\\\0S:\\\0T:\\\0"
                               "U:\\\0V:\\\0W:\\\0X:\\\0Y:\\\0Z:\\\0";
    static const DriveCase cases[] = {
        {"C:\\\0D:\\\0Z:\\\0", 13, "D:\\WORK", 3, 1, 0, "C:\\Program files"},
        {"a:\\\0c:\\\0", 9, "Z:", 2, 0, 1, "C:\\Program files"},
        {"A:\\\0D:\\\0E:\\\0", 13, "E:\\TOOLS", 3, 2, 2, ""},
        {"D:\\\0E:\\\0", 9, "Q:", 2, 0, 0, ""},
        {many, sizeof many, "Z:", 26, 25, 2, "C:\\Program files"},
        {"C:\\\0D:\\", 7, "D:", 1, 0, 0, "C:\\Program files"}, // cut short: D: is dropped
    };
    for (unsigned i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const DriveCase *c = &cases[i];
        g_driveIndex = 0;
        g_baseDir[0] = '\0';
        lstrcpyA(g_startDir, c->startDir);
        ReadDriveTable(c->strings, c->size);
        ok(g_driveCount == c->count && g_driveIndex == c->startIndex,
           "case %u: expected %d drives, start %d; got %d, %d", i, c->count, c->startIndex,
           g_driveCount, g_driveIndex);
        ok(g_drives[g_driveCount - 1][2] == '\\' && g_drives[g_driveCount - 1][3] == '\0' &&
               IsCharUpperA(g_drives[g_driveCount - 1][0]),
           "case %u: the last root is \"%s\"", i, g_drives[g_driveCount - 1]);
        ChooseDefaultDrive();
        ok(g_driveIndex == c->chosenIndex && lstrcmpiA(g_baseDir, c->base) == 0,
           "case %u: expected drive %d base \"%s\", got %d \"%s\"", i, c->chosenIndex, c->base,
           g_driveIndex, g_baseDir);
    }

    // Without "C:\Program files" the base is the root of drive C:.
    SetCurrentDirectoryA("C:\\"); // the scan made the folder current
    ok(MoveFileA("C:\\Program Files", "C:\\Program files.away"), "move the folder away");
    ReadDriveTable("C:\\\0\0", 5);
    ChooseDefaultDrive();
    ok(lstrcmpA(g_baseDir, "C:\\") == 0, "without the folder: expected C:\\, got \"%s\"",
       g_baseDir);
    MoveFileA("C:\\Program files.away", "C:\\Program Files");
}

static void TestFreeSpace()
{
    ok(FreeKilobytes(8, 512, 2000000) == 8192000, "8 GB free: %lu",
       FreeKilobytes(8, 512, 2000000));
    ok(FreeKilobytes(64, 512, 123456789) == 4045432061u, "2 TB free: %lu",
       FreeKilobytes(64, 512, 123456789));
    ok(FreeKilobytes(1, 1000, 0xFFFFFFFFu) == 0xFFFFFFFFu, "the largest that fits: %lu",
       FreeKilobytes(1, 1000, 0xFFFFFFFFu));
    ok(FreeKilobytes(2, 1000, 0x80000000u) == 0xFFFFFFFFu, "the first beyond is clamped");
    ok(FreeKilobytes(128, 4096, 0xFFFFFFFFu) == 0xFFFFFFFFu, "beyond 32 bits is clamped");
    ok(FreeKilobytes(1, 1000, 5473) == REQUIRED_KB, "exactly the requirement");
    ok(FreeKilobytes(1, 1000, 5473) - 1 < REQUIRED_KB && FreeKilobytes(1, 999, 5479) == 5473,
       "units of 1000 bytes, remainder dropped");

    g_driveCount = 1;
    lstrcpyA(g_drives[0], "C:\\");
    UpdateFreeSpace(0);
    ok(g_freeKB > 0, "drive C: has some free space");
    lstrcpyA(g_drives[0], "Q:\\");
    UpdateFreeSpace(0);
    ok(g_freeKB == 0, "a drive that cannot be read has no space, got %lu", g_freeKB);
    UpdateFreeSpace(5);
    ok(g_freeKB == 0, "a drive outside the table has no space");
}

struct WalkCase {
    BrowseMode mode;
    const char *from;
    const char *down; // NULL: go up
    const char *expected;
};

static void TestWalking()
{
    static const WalkCase cases[] = {
        {BROWSE_FOLDER, "C:\\Windows\\System", NULL, "C:\\Windows"},
        {BROWSE_FOLDER, "C:\\Program files", NULL, "C:\\"},
        {BROWSE_FOLDER, "C:\\", "Windows", "C:\\Windows"},
        {BROWSE_FOLDER, "C:\\Program files", "Common", "C:\\Program files\\Common"},
        {BROWSE_SHORTCUT, "C:\\windows\\Start Menu\\Programs", NULL, "C:\\windows\\Start Menu"},
        {BROWSE_SHORTCUT, "C:\\windows\\Start Menu", "Games", "C:\\windows\\Start Menu\\Games"},
    };
    char path[PATH_CHARS];
    for (unsigned i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const WalkCase *c = &cases[i];
        lstrcpyA(path, c->from);
        if (c->down)
            ok(GoDown(path, c->down, c->mode), "case %u: going down is allowed", i);
        else
            GoUp(path, c->mode);
        ok(lstrcmpA(path, c->expected) == 0, "case %u: expected \"%s\", got \"%s\"", i,
           c->expected, path);
    }

    // Nothing is walked into that would leave no room for the separator and a name.
    int limit = PATH_CHARS - 1 - NAVIGATION_ROOM;
    for (int mode = BROWSE_FOLDER; mode <= BROWSE_SHORTCUT; ++mode) {
        memset(path, 'x', limit - 6);
        path[limit - 6] = '\0';
        ok(GoDown(path, "abcde", (BrowseMode)mode) && lstrlenA(path) == limit,
           "mode %d: exactly at the limit", mode);
        ok(!GoDown(path, "a", (BrowseMode)mode) && lstrlenA(path) == limit,
           "mode %d: one more is refused, path unchanged", mode);
    }
    path[0] = '\0';
    ok(!GoDown(path, "Windows", BROWSE_FOLDER) && path[0] == '\0',
       "no walking below an empty base");
}

static void TestParentEntryRule()
{
    ok(!HasParentEntry(3, BROWSE_FOLDER) && HasParentEntry(4, BROWSE_FOLDER),
       "folder browser: parent entry above 3 characters");
    ok(!HasParentEntry(21, BROWSE_SHORTCUT) && HasParentEntry(22, BROWSE_SHORTCUT),
       "shortcut browser: parent entry above 21 characters");
}

// Fills a real list view and reads back its items in their sorted order.
static int ListItems(HWND list, char items[][LIST_TEXT_CHARS], int most)
{
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count && i < most; ++i)
        ListView_GetItemText(list, i, 0, items[i], LIST_TEXT_CHARS);
    return count;
}

static void TestFillFolderList()
{
    InitCommonControls();
    HWND dialog = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
    HWND list = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | LVS_LIST | LVS_SORTASCENDING, 0, 0,
                              100, 100, dialog, NULL, NULL, NULL);
    CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 10, 10, dialog, (HMENU)IDC_FULL_PATH, NULL, NULL);
    CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 10, 10, dialog, (HMENU)IDC_SHORTCUT_PATH, NULL,
                  NULL);
    CreateDirectoryA("C:\\qmfill", NULL);
    CreateDirectoryA("C:\\qmfill\\Beta", NULL);
    CreateDirectoryA("C:\\qmfill\\alpha", NULL);
    CreateDirectoryA("C:\\qmfill\\.dotted", NULL);
    CreateDirectoryA("C:\\qmfill\\Hidden", NULL);
    SetFileAttributesA("C:\\qmfill\\Hidden", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    CloseHandle(CreateFileA("C:\\qmfill\\file.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0,
                            NULL));
    lstrcpyA(g_dirName, "Quillmere");

    char items[8][LIST_TEXT_CHARS];
    char path[PATH_CHARS] = "C:\\qmfill";
    FillFolderList(dialog, list, path, BROWSE_FOLDER);
    int count = ListItems(list, items, 8);
    ok(count == 5 && lstrcmpA(items[0], "........") == 0 && lstrcmpA(items[1], "alpha") == 0 &&
           lstrcmpA(items[2], "Beta") == 0 && lstrcmpA(items[3], "Hidden") == 0 &&
           lstrcmpA(items[4], "Quillmere") == 0,
       "folder list: parent, alpha, Beta, Hidden, Quillmere; got %d items, first \"%s\"", count,
       items[0]);
    ok(g_lastItem == 4, "the to-be-created item follows 4 items, got %d", g_lastItem);
    ok(lstrcmpA(path, "C:\\qmfill") == 0, "the path comes back unchanged: \"%s\"", path);
    char line[PATH_CHARS];
    GetDlgItemTextA(dialog, IDC_FULL_PATH, line, PATH_CHARS);
    ok(lstrcmpA(line, "C:\\qmfill\\Quillmere") == 0, "path line \"%s\"", line);

    lstrcpyA(path, "C:\\");
    FillFolderList(dialog, list, path, BROWSE_FOLDER);
    count = ListItems(list, items, 8);
    GetDlgItemTextA(dialog, IDC_FULL_PATH, line, PATH_CHARS);
    ok(count > 1 && lstrcmpA(items[0], "........") != 0, "a drive root has no parent entry");
    ok(lstrcmpA(line, "C:\\Quillmere") == 0, "root path line \"%s\"", line);

    lstrcpyA(path, "C:\\qmfill\\missing");
    FillFolderList(dialog, list, path, BROWSE_FOLDER);
    ok(ListItems(list, items, 8) == 2 && g_lastItem == 1,
       "a missing folder lists the parent entry and the new item only");

    // The shortcut browser: no parent entry up to 21 characters, always a separator.
    lstrcpyA(path, "C:\\qmfill");
    FillFolderList(dialog, list, path, BROWSE_SHORTCUT);
    count = ListItems(list, items, 8);
    GetDlgItemTextA(dialog, IDC_SHORTCUT_PATH, line, PATH_CHARS);
    ok(count == 4 && lstrcmpA(items[0], "alpha") == 0, "shortcut list at 9 characters: %d",
       count);
    ok(lstrcmpA(line, "C:\\qmfill\\Quillmere") == 0, "shortcut path line \"%s\"", line);
    DestroyWindow(dialog);
}

int main()
{
    TestComposeInstallDir();
    TestDriveScan();
    TestFreeSpace();
    TestWalking();
    TestParentEntryRule();
    TestFillFolderList();
    return check_summary();
}
