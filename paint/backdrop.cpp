#include "internal.h"
#include "../shell/shell.h"

// Made once with the main window, never freed.
static HGLOBAL g_backdropInfo;
static HBITMAP g_backdropBitmap;
static BYTE *g_backdropBits;
static HPALETTE g_backdropPalette;
static HFONT g_titleFont;
static LONG g_titlePending;

#define BLUE_LEVELS 256
#define TITLE_TEXT "Quillmere - Setup"
#define DESIGN_DPI 96 // the title's sizes and places are given for 96 dots per inch

// A length given for 96 dots per inch, on the display the context draws to.
static int AtDisplayDpi(HDC context, int length)
{
    return MulDiv(length, GetDeviceCaps(context, LOGPIXELSY), DESIGN_DPI);
}

DWORD BackdropStride(LONG width)
{
    return (DWORD)(((8 * width + 31) & ~31) / 8);
}

void DrawGradient(BYTE *bits, LONG width, LONG height, DWORD imageSize)
{
    if (height <= 0)
        return;
    DWORD stride = imageSize / (DWORD)height;
    LONG run = height / 255;
    BYTE value = 255;
    LONG counter = 0;
    for (LONG row = 0; row < height; ++row) {
        FillMemory(bits + row * stride, width, value);
        if (counter >= run) {
            if (value > 0)
                --value;
            counter = 0;
        } else {
            ++counter;
        }
    }
}

// Palette index i is blue level i, in the logical palette and in the colour table alike.
static HPALETTE CreateBluePalette(RGBQUAD *colours)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                sizeof(LOGPALETTE) + (BLUE_LEVELS - 1) * sizeof(PALETTEENTRY));
    if (!block)
        return NULL;
    LOGPALETTE *palette = (LOGPALETTE *)GlobalLock(block);
    HPALETTE result = NULL;
    if (palette) {
        palette->palVersion = 0x300;
        palette->palNumEntries = BLUE_LEVELS;
        for (int i = 0; i < BLUE_LEVELS; ++i) {
            palette->palPalEntry[i].peBlue = (BYTE)i;
            palette->palPalEntry[i].peFlags = PC_NOCOLLAPSE;
            colours[i].rgbBlue = (BYTE)i;
        }
        result = CreatePalette(palette);
        GlobalUnlock(block);
    }
    GlobalFree(block);
    return result;
}

static void BuildBackdrop(HWND window)
{
    HGLOBAL infoBlock = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                    sizeof(BITMAPINFOHEADER) + BLUE_LEVELS * sizeof(RGBQUAD));
    if (!infoBlock)
        return;
    BITMAPINFO *info = (BITMAPINFO *)GlobalLock(infoBlock);
    if (!info) {
        GlobalFree(infoBlock);
        return;
    }

    BITMAPINFOHEADER *header = &info->bmiHeader;
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = g_screenWidth;
    header->biHeight = g_screenHeight;
    header->biPlanes = 1;
    header->biBitCount = 8;
    header->biCompression = BI_RGB;
    header->biSizeImage = BackdropStride(g_screenWidth) * g_screenHeight;
    header->biClrUsed = BLUE_LEVELS;

    g_backdropPalette = CreateBluePalette(info->bmiColors);
    g_backdropInfo = infoBlock;

    HDC dc = GetDC(window);
    void *bits = NULL;
    g_backdropBitmap = CreateDIBSection(dc, info, DIB_RGB_COLORS, &bits, NULL, 0);
    ReleaseDC(window, dc);
    g_backdropBits = (BYTE *)bits;

    if (!g_backdropBitmap || !g_backdropBits) {
        if (g_backdropBitmap)
            DeleteObject(g_backdropBitmap);
        g_backdropBitmap = NULL;
    } else if (g_backdropPalette) {
        DrawGradient(g_backdropBits, g_screenWidth, g_screenHeight, header->biSizeImage);
    }
    GlobalUnlock(infoBlock);
}

static HFONT CreateTitleFont()
{
    LOGFONTA font;
    ZeroMemory(&font, sizeof font);
    HDC screen = GetDC(NULL);
    font.lfHeight = AtDisplayDpi(screen, 42);
    font.lfWidth = AtDisplayDpi(screen, 20);
    ReleaseDC(NULL, screen);
    font.lfWeight = FW_HEAVY;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = FF_ROMAN | DEFAULT_PITCH;
    return CreateFontIndirectA(&font);
}

// The title goes into the bitmap itself, once: a dark copy as the shadow, a bright one over it.
// Its margin and the shadow's offset grow with the font, so it looks alike at every DPI.
static void DrawTitle(HDC paintContext)
{
    HDC memory = CreateCompatibleDC(paintContext);
    HPALETTE oldPalette = NULL;
    if (g_backdropPalette)
        oldPalette = SelectPalette(memory, g_backdropPalette, FALSE);
    HGDIOBJ oldBitmap = SelectObject(memory, g_backdropBitmap);
    HGDIOBJ oldFont = SelectObject(memory, g_titleFont);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, RGB(0, 0, 0x80));
    TextOutA(memory, AtDisplayDpi(memory, 10), AtDisplayDpi(memory, 10), TITLE_TEXT,
             lstrlenA(TITLE_TEXT));
    SetTextColor(memory, PALETTERGB(0, 0, 0xFF));
    TextOutA(memory, AtDisplayDpi(memory, 13), AtDisplayDpi(memory, 11), TITLE_TEXT,
             lstrlenA(TITLE_TEXT));
    if (oldFont)
        SelectObject(memory, oldFont);
    if (oldPalette)
        SelectPalette(memory, oldPalette, FALSE);
    if (oldBitmap)
        SelectObject(memory, oldBitmap);
    DeleteDC(memory);
}

static void BlitBackdrop(HDC context)
{
    HDC memory = CreateCompatibleDC(context);
    HPALETTE oldPalette = NULL;
    HPALETTE oldMemoryPalette = NULL;
    if (g_backdropPalette) {
        oldPalette = SelectPalette(context, g_backdropPalette, FALSE);
        RealizePalette(context);
        oldMemoryPalette = SelectPalette(memory, g_backdropPalette, FALSE);
    }
    HGDIOBJ oldBitmap = SelectObject(memory, g_backdropBitmap);
    BitBlt(context, 0, 0, g_screenWidth, g_screenHeight, memory, 0, 0, SRCCOPY);
    if (oldPalette)
        SelectPalette(context, oldPalette, FALSE);
    if (oldMemoryPalette)
        SelectPalette(memory, oldMemoryPalette, FALSE);
    if (oldBitmap)
        SelectObject(memory, oldBitmap);
    DeleteDC(memory);
}

void CreateBackdrop(HWND window)
{
    BuildBackdrop(window);
    g_titlePending = 1;
    g_titleFont = CreateTitleFont();
}

LRESULT OnMainPaint(HWND window, UINT, WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    HDC context = BeginPaint(window, &paint);
    if (g_backdropBitmap) {
        if (g_titlePending == 1) {
            g_titlePending = 0;
            DrawTitle(context);
        }
        BlitBackdrop(context);
    }
    EndPaint(window, &paint);
    return 0;
}
