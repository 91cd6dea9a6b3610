#include "install.h"

// Placeholder until the copy page lands.
int ShowCopyPage(HWND)
{
    return 0;
}
