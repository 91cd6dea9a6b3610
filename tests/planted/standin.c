/* A stand-in an attacker could leave beside a program or in the temporary folder, under
   the name of a library the program loads by name. It exports what setup.exe calls in
   LZ32 and COMCTL32, so a program that imports them still starts, and writes its own
   path to C:\planted-libraries.log whenever it is loaded. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char line[MAX_PATH + 2];
        DWORD length = GetModuleFileNameA(self, line, MAX_PATH), written;
        lstrcpyA(line + length, "\r\n");
        HANDLE log = CreateFileA("C:\\planted-libraries.log", FILE_APPEND_DATA,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
        WriteFile(log, line, length + 2, &written, NULL);
        CloseHandle(log);
    }
    return TRUE;
}

__declspec(dllexport) INT WINAPI LZInit(INT file) { (void)file; return -1; }
__declspec(dllexport) INT WINAPI LZOpenFileA(LPSTR name, LPOFSTRUCT record, WORD style)
{
    (void)name; (void)record; (void)style;
    return -1;
}
__declspec(dllexport) LONG WINAPI LZCopy(INT from, INT to) { (void)from; (void)to; return -1; }
__declspec(dllexport) VOID WINAPI LZClose(INT file) { (void)file; }
__declspec(dllexport) void *WINAPI ImageList_Create(int cx, int cy, UINT flags, int n, int grow)
{
    (void)cx; (void)cy; (void)flags; (void)n; (void)grow;
    return NULL;
}
__declspec(dllexport) int WINAPI ImageList_ReplaceIcon(void *list, int i, HICON icon)
{
    (void)list; (void)i; (void)icon;
    return -1;
}
