#include "install.h"
#include <shlobj.h>

HRESULT CreateShortcut(const char *target, const char *linkFile, const char *description)
{
    IShellLinkA *link = NULL;
    CoInitialize(NULL);
    HRESULT result = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, (void **)&link);
    if (SUCCEEDED(result)) {
        link->SetPath(target);
        link->SetDescription(description);
        IPersistFile *file = NULL;
        result = link->QueryInterface(IID_IPersistFile, (void **)&file);
        if (SUCCEEDED(result)) {
            WCHAR widePath[MAX_PATH];
            // A path that does not fit is refused: a shortened one would name another file.
            if (MultiByteToWideChar(CP_ACP, 0, linkFile, -1, widePath, MAX_PATH))
                result = file->Save(widePath, TRUE);
            else
                result = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return result;
}
