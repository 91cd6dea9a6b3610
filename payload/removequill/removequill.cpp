// Remove Quillmere: for now a fixed-size window with a Close button; the
// removal steps come later.
#include <windows.h>

namespace {

const char kClassName[] = "RemoveQuillmereMain";
const char kTitle[] = "Remove Quillmere";
const int kWidth = 360;
const int kHeight = 150;
const int kButtonWidth = 88;
const int kButtonHeight = 26;

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE: {
        HINSTANCE instance = reinterpret_cast<LPCREATESTRUCTA>(lParam)->hInstance;
        RECT client;
        GetClientRect(hwnd, &client);
        HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL));
        HWND button = CreateWindowA("BUTTON", "Close", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON,
                                    (client.right - kButtonWidth) / 2,
                                    client.bottom - kButtonHeight - 12, kButtonWidth,
                                    kButtonHeight, hwnd, id, instance, NULL);
        if (!button)
            return -1;
        SendMessageA(button, WM_SETFONT,
                     reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCmd)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIcon(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc))
        return 1;

    // A fixed frame: the window is a small confirmation panel, not a document.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    HWND main = CreateWindowA(kClassName, kTitle, style, CW_USEDEFAULT, CW_USEDEFAULT, kWidth,
                              kHeight, NULL, NULL, instance, NULL);
    if (!main)
        return 1;
    ShowWindow(main, showCmd);
    UpdateWindow(main);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (!IsDialogMessageA(main, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}
