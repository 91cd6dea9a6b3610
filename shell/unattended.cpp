#include "shell.h"
#include "../pages/pages.h"
#include "../install/install.h"

// An existing folder is used, as if the directory page's question had been answered Yes,
// once it is protected; where nobody can be asked to free space, the run ends.
BOOL PrepareUnattended()
{
    ProposeInstallDir();
    LogLine("Install folder: ", g_installDir);
    if (g_freeKB < REQUIRED_KB) {
        LogNumber("Free space too small, KB: ", g_freeKB);
        SetExitCode(ERROR_DISK_FULL);
        return FALSE;
    }
    if (!MakeInstallDir() && !ProtectInstallFolder(g_installDir)) {
        SetExitCode(ERROR_INSTALL_FAILURE);
        return FALSE;
    }
    return TRUE;
}

void InstallSilently()
{
    if (!FilesFree())
        return;
    MakePayloadFolders();
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        if (!ExpandRow(row)) {
            SetExitCode(ERROR_INSTALL_FAILURE);
            return;
        }
    }
    FinishUnattended();
    SetExitCode(0);
}
