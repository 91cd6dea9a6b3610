// Table-driven dispatch: every window and dialog procedure is one lookup.
#ifndef QUILLMERE_MSGMAP_H
#define QUILLMERE_MSGMAP_H

#include <windows.h>

// What an unmatched message gets.
enum DefProcKind {
    DEFPROC_NONE = 0,   // result 0: a dialog procedure leaves it to the dialog manager
    DEFPROC_WINDOW = 1, // DefWindowProcA
    DEFPROC_DIALOG = 2  // DefDlgProcA
};

typedef LRESULT (*MessageHandler)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
typedef LRESULT (*CommandHandler)(HWND window, WORD id, WORD code, LPARAM lParam);

struct MessageMapEntry {
    UINT message;
    MessageHandler handler;
};

struct CommandMapEntry {
    WORD id;
    CommandHandler handler;
};

struct MessageMap {
    LONG count; // 0 or less: no rows
    const MessageMapEntry *entries;
    LONG kind;  // a DefProcKind; other values act as DEFPROC_NONE
};

struct CommandMap {
    LONG count;
    const CommandMapEntry *entries;
    LONG kind;
};

#define MAP_ROWS(rows) ((LONG)(sizeof(rows) / sizeof((rows)[0])))

LRESULT DispatchMapMessage(const MessageMap *map, HWND window, UINT message, WPARAM wParam,
                           LPARAM lParam);
LRESULT DispatchMapCommand(const CommandMap *map, HWND window, WPARAM wParam, LPARAM lParam);

#endif
