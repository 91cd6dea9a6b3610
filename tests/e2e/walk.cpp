// The unattended walk of "make run": goes through the installer as a person would
// and photographs every screen into the folder named on the command line.
#include "driver.h"

static int g_shotNumber;

static void Photograph(const char *name)
{
    Sleep(300); // let the last paint reach the screen
    Screenshot shot = CaptureScreen();
    char path[MAX_PATH];
    wsprintfA(path, "%s\\%02d-%s.bmp", g_extraArgument.c_str(), ++g_shotNumber, name);
    ok(SaveScreenshotBmp(&shot, path), "saved %s", path);
    FreeScreenshot(&shot);
}

static void Walk()
{
    if (!StartSetup())
        return;
    HWND main = WaitMainWindow();
    if (!main)
        return;
    Settle(main);
    Photograph("backdrop");
    PostMessageA(main, WM_TIMER, ID_STEP_DONE, 0);
    if (WaitMessageBox(main)) {
        Photograph("finished");
        ANSWER(main, "Quillmere was successfully installed", "Setup", IDOK);
    }
    ok(WaitSetupExit() == 0, "the installer ends with exit code 0");
}

// Not a test of its own: "make run" asks for it by name.
static ScenarioEntry g_walk("walk", Walk);
