// The unattended walk of "make run": goes through the installation as a person would
// and photographs every screen into the folder named on the command line.
#include "driver.h"
#include <stdlib.h>

static int g_shotNumber;

static void Photograph(const char *name)
{
    Sleep(500); // let the last paint reach the screen
    Screenshot shot = CaptureScreen();
    char path[MAX_PATH];
    wsprintfA(path, "%s\\%02d-%s.bmp", g_extraArgument.c_str(), ++g_shotNumber, name);
    ok(SaveScreenshotBmp(&shot, path), "saved %s", path);
    FreeScreenshot(&shot);
}

// Waits for a page by one of its controls, photographs it, then presses a button.
static HWND Visit(int id, const char *text, const char *name, int button)
{
    HWND page = WaitDialogWithControl(id, text);
    ok(page != NULL, "the %s screen appears", name);
    if (!page)
        return NULL;
    Photograph(name);
    if (button)
        PressButton(page, button);
    return page;
}

static bool IsQuillmereWindow(HWND window, void *)
{
    return WindowText(window) == "Quillmere" && ClassName(window) != "#32770";
}

// The installed program, then its removal with the product's own uninstaller.
static void WalkProduct()
{
    if (StartProgram(INSTALL_DIR "\\quillmere.exe", "", INSTALL_DIR)) {
        HWND window = WaitForWindow(IsQuillmereWindow, NULL);
        ok(window != NULL, "the installed program shows its window");
        if (window) {
            Photograph("quillmere");
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
        WaitSetupExit();
        KillSetup();
    }
    if (!StartProgram(INSTALL_DIR "\\removequill.exe", "", "C:\\"))
        return;
    HWND question = WaitMessageBox(NULL);
    ok(question != NULL, "the uninstaller asks first");
    if (!question)
        return;
    Photograph("remove-question");
    PressButton(question, IDYES);
    WaitSetupExit();
    if (FollowChildProcess()) { // the copy that removes the uninstaller itself
        HWND report = WaitMessageBox(NULL);
        if (report) {
            Photograph("removed");
            PressButton(report, IDOK);
        }
        WaitSetupExit();
    }
    KillSetup();
}

// QM_DPI (say 144) takes the pictures on a display of that many dots per inch.
static void Walk()
{
    const char *dpi = getenv("QM_DPI");
    if (dpi && atoi(dpi) > 0)
        SetDisplayDpi(atoi(dpi));
    CreateDirectoryA("C:\\windows\\Start Menu", NULL);
    CreateDirectoryA("C:\\windows\\Start Menu\\Programs", NULL);
    if (!StartSetup())
        return;
    HWND main = WaitMainWindow();
    if (!main)
        return;
    Visit(IDOK, "I Agree", "licence", IDOK);
    HWND dirPage = Visit(IDOK, "Next", "directory", IDC_BROWSE);
    if (!dirPage)
        return;
    Visit(IDOK, "OK", "folder-browser", IDCANCEL);
    PressButton(dirPage, IDOK);
    HWND copyPage = WaitDialogWithControl(IDC_COPY_PROGRESS, "");
    if (copyPage) {
        // Held at its question halfway through long enough to be photographed, then let go on.
        HWND status = GetDlgItem(copyPage, IDC_COPY_STATUS);
        DWORD start = GetTickCount();
        while (WindowText(status).find("quillm~1") == std::string::npos &&
               GetTickCount() - start < WAIT_MS)
            Sleep(1);
        PressButton(copyPage, IDCANCEL);
        if (WaitMessageBox(copyPage)) {
            Photograph("copy");
            ANSWER(copyPage,
                   "Are you sure you want to cancel the setup?\nAll installed files will be "
                   "removed.",
                   "Question", IDNO);
        }
    }
    HWND shortcutPage = Visit(IDOK, "Finnish", "shortcuts", IDC_BROWSE);
    if (!shortcutPage)
        return;
    Visit(IDC_SHORTCUT_FOLDERS, "Folders", "shortcut-browser", IDCANCEL);
    PressButton(shortcutPage, IDOK);
    CheckFolderOpened(); // closed first: it may come up over the success message
    if (WaitMessageBox(main)) {
        Photograph("finished");
        ANSWER(main, "Quillmere was successfully installed", "Setup", IDOK);
    }
    ok(WaitSetupExit() == 0, "the installer ends with exit code 0");
    KillSetup();
    WalkProduct();
}

// Not a test of its own: "make run" asks for it by name.
static ScenarioEntry g_walk("walk", Walk);
