#include "pages.h"
#include <commctrl.h>

static HWND g_shortcutList;

static LRESULT OnShortcutBrowserInit(HWND dialog, UINT, WPARAM, LPARAM)
{
    g_shortcutList = GetDlgItem(dialog, IDC_SHORTCUT_FOLDERS);
    CreateBrowserImages(g_shortcutList);
    FillFolderList(dialog, g_shortcutList, g_shortcutDir, BROWSE_SHORTCUT);
    return 1;
}

static LRESULT OnShortcutBrowserNotify(HWND dialog, UINT, WPARAM, LPARAM lParam)
{
    const NMHDR *notice = (const NMHDR *)lParam;
    if (notice->hwndFrom == g_shortcutList && notice->code == (UINT)NM_DBLCLK)
        WalkFolderList(dialog, g_shortcutList, g_shortcutDir, BROWSE_SHORTCUT);
    return 0;
}

// OK and Cancel alike keep the folder walked to.
static LRESULT OnShortcutBrowserButton(HWND dialog, WORD id, WORD, LPARAM)
{
    if (id == IDOK && WalkOnEnter(dialog, g_shortcutList, g_shortcutDir, BROWSE_SHORTCUT))
        return 1;
    EndDialog(dialog, 0);
    return 1;
}

static const CommandMapEntry g_shortcutBrowserCommandRows[] = {
    {IDOK, OnShortcutBrowserButton},
    {IDCANCEL, OnShortcutBrowserButton},
};
static const CommandMap g_shortcutBrowserCommandMap = {
    MAP_ROWS(g_shortcutBrowserCommandRows), g_shortcutBrowserCommandRows, DEFPROC_NONE};

static LRESULT OnShortcutBrowserCommand(HWND dialog, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchMapCommand(&g_shortcutBrowserCommandMap, dialog, wParam, lParam);
}

static const MessageMapEntry g_shortcutBrowserMessageRows[] = {
    {WM_COMMAND, OnShortcutBrowserCommand},
    {WM_INITDIALOG, OnShortcutBrowserInit},
    {WM_NOTIFY, OnShortcutBrowserNotify},
};
static const MessageMap g_shortcutBrowserMessageMap = {
    MAP_ROWS(g_shortcutBrowserMessageRows), g_shortcutBrowserMessageRows, DEFPROC_NONE};

INT_PTR CALLBACK ShortcutBrowserProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMapMessage(&g_shortcutBrowserMessageMap, window, message, wParam, lParam);
}
