#include "shell.h"
#include "../pages/pages.h"
#include "../install/install.h"

// An existing folder is used, as if the directory page's question had been answered Yes,
// once it is protected; where nobody can be asked to free space, or whether a later
// version may be replaced, the run ends.
BOOL PrepareUnattended()
{
    if (!AcceptInstalledVersion(NULL))
        return FALSE;
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
    if (!BeginCopy())
        return;
    for (int row = 0; row < MANIFEST_ROWS; ++row) {
        if (!ExpandRow(row)) {
            UndoCopy(FALSE);
            SetExitCode(ERROR_INSTALL_FAILURE);
            return;
        }
    }
    CommitCopy();
    FinishUnattended();
    SetExitCode(0);
}
