#include "pages.h"

// Placeholder until the shortcut page lands: the installation waits on the backdrop.
int ShowShortcutPage(HWND)
{
    return 0;
}
