// The main window, the backdrop and the closing steps.
#include "driver.h"
#include <algorithm>

static HWND StartAndFindMain()
{
    return StartSetup() ? Appeared(WaitMainWindow(), "the main window") : NULL;
}

static void ExpectExit(DWORD expected, const char *how)
{
    DWORD code = WaitSetupExit();
    ok(code == expected, "%s: expected exit code %lu, got %lu", how, expected, code);
}

// Closed before anything was installed: cancelled, as deployment tools read it.
static void ExpectClosed(const char *how)
{
    ExpectExit(ERROR_INSTALL_USEREXIT, how);
}

SCENARIO(main_window)
{
    HWND main = StartAndFindMain();
    if (!main)
        return;
    ok(WindowText(main) == "SETUP", "title: expected SETUP, got %s", WindowText(main).c_str());
    LONG style = GetWindowLongA(main, GWL_STYLE);
    ok((style & WS_SYSMENU) && (style & WS_MINIMIZEBOX) && (style & WS_CAPTION) == WS_CAPTION &&
           (style & WS_POPUP),
       "a captioned pop-up with system menu and minimise box, style %08lx", style);
    RECT rect;
    GetWindowRect(main, &rect);
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    ok(rect.left == 0 && rect.top == 0 && rect.right == width && rect.bottom == height,
       "covers the %dx%d screen, got %ld,%ld-%ld,%ld", width, height, rect.left, rect.top,
       rect.right, rect.bottom);
    PostMessageA(main, WM_COMMAND, ID_MAIN_CLOSE, 0);
    ExpectClosed("the close command");
}

// The application manifest a program carries, "" when it has none.
static std::string ManifestOf(const std::string &program)
{
    HMODULE module = LoadLibraryExA(program.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = module ? FindResourceA(module, MAKEINTRESOURCEA(1), RT_MANIFEST) : NULL;
    std::string text;
    if (found)
        text.assign((const char *)LockResource(LoadResource(module, found)),
                    SizeofResource(module, found));
    if (module)
        FreeLibrary(module);
    return text;
}

// The application manifest names every Windows from Vista to 11 as supported.
static void CheckSupportedWindows(const std::string &program)
{
    static const char *const ids[] = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    std::string text = ManifestOf(program);
    int missing = 0;
    for (const char *id : ids)
        missing += text.find(id) == std::string::npos;
    ok(!text.empty() && missing == 0, "%s carries its manifest, naming Vista to 11: %d missing",
       program.c_str(), missing);
}

// What Windows shows of the installer and the uninstaller before they run: version
// information and the manifest. Every program and library of the payload carries the
// installer's version, product and maker, under its own name and description.
SCENARIO(version_information)
{
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(g_setupPath.c_str(), &handle);
    std::string block(size, '\0');
    ok(size > 0 && GetFileVersionInfoA(g_setupPath.c_str(), 0, size, &block[0]),
       "setup.exe carries version information");
    static const char *const fields[][2] = {
        {"ProductName", "Quillmere"},
        {"FileDescription", "Quillmere Setup"},
        {"CompanyName", "The Quillmere team"},
    };
    for (unsigned i = 0; size > 0 && i < sizeof fields / sizeof fields[0]; ++i) {
        std::string path = std::string("\\StringFileInfo\\040904B0\\") + fields[i][0];
        char *value = NULL;
        UINT length = 0;
        ok(VerQueryValueA(&block[0], path.c_str(), (void **)&value, &length) && value &&
               lstrcmpA(value, fields[i][1]) == 0,
           "%s: expected \"%s\", got \"%s\"", fields[i][0], fields[i][1], value ? value : "");
    }
    std::string version = FileVersion(g_setupPath), maker = VersionText(g_setupPath, "CompanyName");
    std::vector<std::string> descriptions = {VersionText(g_setupPath, "FileDescription")};
    for (int row = 0; row < PAYLOAD_ROWS; ++row) {
        std::string name = g_rows[row].destination + 1, file = g_extraArgument + "\\" + name;
        if (!IsProgramRow(row))
            continue;
        std::string description = VersionText(file, "FileDescription");
        ok(FileVersion(file) == version && VersionText(file, "ProductName") == "Quillmere" &&
               VersionText(file, "CompanyName") == maker &&
               VersionText(file, "OriginalFilename") == name && description != "<none>" &&
               std::find(descriptions.begin(), descriptions.end(), description) ==
                   descriptions.end(),
           "%s: version %s, product %s, maker %s, file %s, description %s", name.c_str(),
           FileVersion(file).c_str(), VersionText(file, "ProductName").c_str(),
           VersionText(file, "CompanyName").c_str(), VersionText(file, "OriginalFilename").c_str(),
           description.c_str());
        descriptions.push_back(description);
    }
    ok(descriptions.size() == 9, "setup.exe and 8 programs and libraries, %d found",
       (int)descriptions.size());
    CheckSupportedWindows(g_setupPath);
    CheckSupportedWindows(g_extraArgument + "\\removequill.exe");
    // Aware of the system's DPI, so that Windows does not scale it as a blurred picture.
    ok(ManifestOf(g_setupPath)
                   .find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
                         "true</dpiAware>") != std::string::npos,
       "the manifest declares setup.exe aware of the display's DPI");
}

// Blue level of the backdrop at a screen row, computed from the picture's own rule.
static BYTE ExpectedBlue(int bitmapRowFromTop, int height)
{
    int rowFromBottom = height - 1 - bitmapRowFromTop;
    return (BYTE)(255 - rowFromBottom / (height / 255 + 1));
}

static void CheckGradient()
{
    HWND main = StartAndFindMain();
    if (!main)
        return;
    POINT origin = {0, 0};
    ClientToScreen(main, &origin);
    RECT client;
    GetClientRect(main, &client);
    Screenshot shot = CaptureSettled(main);
    // The picture is as tall as the screen and drawn from the client's top: the rows
    // below the client area (title bar and frame take their place) are not shown.
    int x = shot.width - 10; // right of the title, clear of the centred pages
    int wrong = 0, firstWrong = -1;
    for (int y = 0; y < client.bottom; ++y) {
        DWORD expected = ExpectedBlue(y, shot.height);
        if (ScreenPixel(&shot, x, origin.y + y) != expected && wrong++ == 0)
            firstWrong = y;
    }
    ok(client.bottom > shot.height / 2 && wrong == 0,
       "%dx%d: %d of %ld rows off the gradient, first at %d (got %06lx)", shot.width,
       shot.height, wrong, client.bottom, firstWrong,
       ScreenPixel(&shot, x, origin.y + firstWrong));
    FreeScreenshot(&shot);
    PostMessageA(main, WM_COMMAND, ID_MAIN_CLOSE, 0);
    ExpectClosed("the close command");
}

SCENARIO(backdrop_gradient_at_1024x768)
{
    CheckGradient();
}

SCENARIO(backdrop_gradient_at_800x600)
{
    CheckGradient();
}

struct TitlePixels {
    int dark;
    int bright;
    int brightRows; // rows with any of the bright copy
};

// The title's corner of the client, for a display of dpi dots per inch: 600 x 70 at 96.
static SIZE TitleArea(DWORD dpi)
{
    return {MulDiv(600, dpi, 96), MulDiv(70, dpi, 96)};
}

// Counts title pixels in the top-left area of the client: the dark shadow and the bright copy.
static TitlePixels CountTitle(const Screenshot *shot, POINT origin, SIZE area)
{
    TitlePixels count = {0, 0, 0};
    for (int y = 0; y < area.cy; ++y) {
        int bright = 0;
        for (int x = 0; x < area.cx; ++x) {
            DWORD pixel = ScreenPixel(shot, origin.x + x, origin.y + y);
            count.dark += pixel == 0x80;
            bright += pixel == 0xFF;
        }
        count.bright += bright;
        count.brightRows += bright > 0;
    }
    return count;
}

static bool SameArea(const Screenshot *a, const Screenshot *b, POINT origin, SIZE area)
{
    for (int y = 0; y < area.cy; ++y)
        for (int x = 0; x < area.cx; ++x)
            if (ScreenPixel(a, origin.x + x, origin.y + y) !=
                ScreenPixel(b, origin.x + x, origin.y + y))
                return false;
    return true;
}

// The title is drawn once, in a font that grows with the display's dots per inch.
static void CheckTitle(DWORD dpi)
{
    HWND main = StartAndFindMain();
    if (!main)
        return;
    POINT origin = {0, 0};
    ClientToScreen(main, &origin);
    SIZE area = TitleArea(dpi);
    Screenshot before = CaptureSettled(main);
    TitlePixels title = CountTitle(&before, origin, area);
    ok(title.dark > 200 && title.bright > 200,
       "the title's shadow (%d dark pixels) and bright copy (%d) are drawn", title.dark,
       title.bright);
    ok(title.brightRows >= MulDiv(30, dpi, 96),
       "at %lu dots per inch the title is %d rows tall", dpi, title.brightRows);
    // The row the title sits on is otherwise far darker than either copy.
    ok(ScreenPixel(&before, origin.x + area.cx - 10, origin.y + area.cy * 3 / 7) < 0x80,
       "no title at the far right");

    RedrawWindow(main, NULL, NULL, RDW_INVALIDATE | RDW_ERASE);
    Screenshot after = CaptureSettled(main);
    ok(SameArea(&before, &after, origin, area), "a repaint shows the title exactly as before");
    FreeScreenshot(&before);
    FreeScreenshot(&after);
    PostMessageA(main, WM_COMMAND, ID_MAIN_CLOSE, 0);
    ExpectClosed("the close command");
}

SCENARIO(backdrop_title)
{
    CheckTitle(96);
}

// Screens as large as such displays come, so the grown licence page stays below the title.
SCENARIO(backdrop_title_120dpi_at_1280x1024)
{
    SetDisplayDpi(120);
    CheckTitle(120);
}

SCENARIO(backdrop_title_144dpi_at_1600x1200)
{
    SetDisplayDpi(144);
    CheckTitle(144);
}

struct ClosingCase {
    UINT step;
    const char *text;
    const char *caption;
    DWORD exitCode; // what deployment tools read: installed, failed, cancelled
};

static const ClosingCase g_closingCases[] = {
    {ID_STEP_DONE, "Quillmere was successfully installed", "Setup", 0},
    {ID_STEP_ERROR,
     "An error was ocured.\nYou can send me an email on: support@quillmere.example.com\nwith "
     "your error message for a instruction how to setup this progam",
     "Setup error", ERROR_INSTALL_FAILURE},
    {ID_STEP_CANCELLED, "Program will exit", "Setup canceled", ERROR_INSTALL_USEREXIT},
};

SCENARIO(closing_steps)
{
    for (unsigned i = 0; i < sizeof g_closingCases / sizeof g_closingCases[0]; ++i) {
        const ClosingCase *c = &g_closingCases[i];
        HWND main = StartAndFindMain();
        if (!main)
            return;
        PostMessageA(main, WM_TIMER, c->step, 0);
        HWND box = WaitMessageBox(main);
        ok(box != NULL, "step %u shows a box owned by the main window", c->step);
        ok(WaitSetupExit(300) == STILL_ACTIVE, "step %u: still running while its box is up",
           c->step);
        ANSWER(main, c->text, c->caption, IDOK);
        ExpectExit(c->exitCode, c->caption);
        KillSetup();
    }
}

SCENARIO(unknown_steps)
{
    HWND main = StartAndFindMain();
    if (!main)
        return;
    static const UINT ids[] = {0, 499, 507, 1000};
    for (unsigned i = 0; i < sizeof ids / sizeof ids[0]; ++i)
        PostMessageA(main, WM_TIMER, ids[i], 0);
    Settle(main);
    ok(NoMessageBoxFor(500), "unknown timer ids show nothing");
    ok(IsWindowVisible(main) && WaitSetupExit(0) == STILL_ACTIVE, "the program goes on");
    PostMessageA(main, WM_COMMAND, ID_MAIN_CLOSE, 0);
    ExpectClosed("the close command");
}
