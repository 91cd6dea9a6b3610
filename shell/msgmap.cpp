#include "internal.h"

LRESULT CallDefProc(LONG kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (kind) {
    case DEFPROC_WINDOW:
        return DefWindowProcA(window, message, wParam, lParam);
    case DEFPROC_DIALOG:
        return DefDlgProcA(window, message, wParam, lParam);
    default:
        return 0;
    }
}

LRESULT DispatchMapMessage(const MessageMap *map, HWND window, UINT message, WPARAM wParam,
                           LPARAM lParam)
{
    for (LONG i = 0; i < map->count; ++i) {
        if (map->entries[i].message == message)
            return map->entries[i].handler(window, message, wParam, lParam);
    }
    return CallDefProc(map->kind, window, message, wParam, lParam);
}

LRESULT DispatchMapCommand(const CommandMap *map, HWND window, WPARAM wParam, LPARAM lParam)
{
    WORD id = LOWORD(wParam);
    for (LONG i = 0; i < map->count; ++i) {
        if (map->entries[i].id == id)
            return map->entries[i].handler(window, id, HIWORD(wParam), lParam);
    }
    return CallDefProc(map->kind, window, WM_COMMAND, wParam, lParam);
}
