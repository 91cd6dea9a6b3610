#include "internal.h"
#include <commctrl.h>

// The list both browsers show: the parent entry, the folders of the path walked to, and
// the product folder to be made; walked by double-click or Enter.

int g_lastItem;
static int g_imageFolder, g_imageParent, g_imageNew;
static char g_textBuf[PATH_CHARS];

#define PARENT_ENTRY_TEXT "........"
#define SHORTCUT_PARENT_MIN 21
#define ROOT_LENGTH 3 // "C:\"

BOOL HasParentEntry(int length, BrowseMode mode)
{
    return mode == BROWSE_SHORTCUT ? length > SHORTCUT_PARENT_MIN : length > ROOT_LENGTH;
}

static int AddListItem(HWND list, const char *text, int index, int image)
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = (char *)text;
    item.iImage = image;
    return (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
}

void FillFolderList(HWND dialog, HWND list, char *path, BrowseMode mode)
{
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    int n = 0;
    int length = lstrlenA(path);
    // A drive root already ends in its backslash; every other folder needs one.
    BOOL separator = mode == BROWSE_SHORTCUT || length > ROOT_LENGTH;
    if (HasParentEntry(length, mode))
        AddListItem(list, PARENT_ENTRY_TEXT, n++, g_imageParent);

    char pattern[PATH_CHARS];
    if (length > 0 && CopyText(pattern, PATH_CHARS, path) &&
        AppendText(pattern, PATH_CHARS, separator ? "\\*.*" : "*.*")) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern, &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    found.cFileName[0] != '.')
                    AddListItem(list, found.cFileName, n++, g_imageFolder);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
    g_lastItem = n;
    AddListItem(list, g_dirName, n, g_imageNew);

    // Navigation keeps room for the separator and the name, so the line always fits.
    CopyText(g_textBuf, PATH_CHARS, path);
    if (separator)
        AppendText(g_textBuf, PATH_CHARS, "\\");
    AppendText(g_textBuf, PATH_CHARS, g_dirName);
    SetDlgItemTextA(dialog, mode == BROWSE_FOLDER ? IDC_FULL_PATH : IDC_SHORTCUT_PATH, g_textBuf);
}

void CreateBrowserImages(HWND list)
{
    static const int icons[] = {IDI_FOLDER, IDI_PARENT, IDI_NEW_FOLDER};
    int *indices[] = {&g_imageFolder, &g_imageParent, &g_imageNew};
    HIMAGELIST images = ImageList_Create(16, 16, ILC_MASK, 3, 0);
    for (int i = 0; i < 3; ++i) {
        HICON icon = (HICON)LoadImageA(g_hInstance, MAKEINTRESOURCEA(icons[i]), IMAGE_ICON, 16,
                                       16, LR_DEFAULTCOLOR);
        *indices[i] = ImageList_ReplaceIcon(images, -1, icon);
        DestroyIcon(icon);
    }
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)images);
}

void GoUp(char *path, BrowseMode mode)
{
    char *last = NULL;
    for (char *c = path; *c; ++c)
        if (*c == '\\')
            last = c;
    if (!last)
        return;
    // Going up into a drive root keeps the root's backslash.
    if (mode == BROWSE_FOLDER && last - path < ROOT_LENGTH + 1)
        ++last;
    *last = '\0';
}

BOOL GoDown(char *path, const char *name, BrowseMode mode)
{
    int length = lstrlenA(path);
    BOOL separator = mode == BROWSE_SHORTCUT || length > ROOT_LENGTH;
    if (length == 0 || length + separator + lstrlenA(name) > PATH_CHARS - 1 - NAVIGATION_ROOM)
        return FALSE;
    if (separator)
        AppendText(path, PATH_CHARS, "\\");
    AppendText(path, PATH_CHARS, name);
    return TRUE;
}

void WalkFolderList(HWND dialog, HWND list, char *path, BrowseMode mode)
{
    int selected = (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    if (selected != -1 && selected <= g_lastItem) {
        if (selected == 0 && HasParentEntry(lstrlenA(path), mode)) {
            GoUp(path, mode);
        } else {
            char name[LIST_TEXT_CHARS];
            LVITEMA item;
            ZeroMemory(&item, sizeof item);
            item.mask = LVIF_TEXT;
            item.iItem = selected;
            item.pszText = name;
            item.cchTextMax = LIST_TEXT_CHARS;
            if (SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item) &&
                !GoDown(path, name, mode))
                MessageBeep((UINT)-1);
        }
    }
    FillFolderList(dialog, list, path, mode);
}

// Enter arrives as OK just as a click on OK does; the click takes the focus to the button,
// so only the focus tells them apart.
BOOL WalkOnEnter(HWND dialog, HWND list, char *path, BrowseMode mode)
{
    if (GetFocus() != list ||
        SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED) == -1)
        return FALSE;
    WalkFolderList(dialog, list, path, mode);
    return TRUE;
}
