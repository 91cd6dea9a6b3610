#include "shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    LoadStringA(instance, IDS_CLASS_NAME, g_className, CLASS_NAME_CHARS);
    g_hInstance = instance;

    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = g_hInstance;
    windowClass.hIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_SETUP));
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_MENUTEXT + 1);
    windowClass.lpszMenuName = g_className;
    windowClass.lpszClassName = g_className;
    if (!RegisterClassA(&windowClass) && !RegisterClassA(&windowClass))
        return 0;

    g_hMainWnd = CreateWindowExA(0, g_className, g_className,
                                 WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                 0, 0, 0, 0, NULL, NULL, g_hInstance, NULL);
    if (!g_hMainWnd)
        return 0;
    UpdateWindow(g_hMainWnd);

    HACCEL accelerators = LoadAcceleratorsA(g_hInstance, g_className);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0)) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return (int)message.wParam;
}
