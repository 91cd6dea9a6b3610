// The backdrop's pixel rows.
#include "../check.h"
#include "../../paint/internal.h"
#include <stdlib.h>

struct GradientCase {
    LONG width;
    LONG height;
    int bandRows;  // rows per blue level
    BYTE topValue; // the top row of the picture (the last row in memory)
};

static const GradientCase g_cases[] = {
    {640, 480, 2, 16},   {800, 600, 3, 56},  {1024, 768, 4, 64},
    {1280, 1024, 5, 51}, {300, 200, 1, 56},  {1023, 767, 4, 64},
    {5, 254, 1, 2},      {7, 1, 1, 255},
};

static const BYTE SENTINEL = 0xA5;

static void CheckCase(const GradientCase *c)
{
    DWORD stride = BackdropStride(c->width);
    DWORD imageSize = stride * c->height;
    ok(stride % 4 == 0 && stride >= (DWORD)c->width && stride < (DWORD)c->width + 4,
       "width %ld: stride %lu is the width rounded up to 4", (long)c->width, stride);
    BYTE *bits = (BYTE *)malloc(imageSize);
    memset(bits, SENTINEL, imageSize);
    DrawGradient(bits, c->width, c->height, imageSize);

    int wrongRows = 0, paddingTouched = 0;
    for (LONG row = 0; row < c->height; ++row) {
        BYTE expected = (BYTE)(255 - row / c->bandRows);
        const BYTE *line = bits + row * stride;
        for (LONG x = 0; x < c->width; ++x) {
            if (line[x] != expected) {
                ++wrongRows;
                break;
            }
        }
        for (DWORD x = c->width; x < stride; ++x)
            paddingTouched += line[x] != SENTINEL;
    }
    ok(wrongRows == 0, "%ldx%ld: %d rows differ from bands of %d", (long)c->width,
       (long)c->height, wrongRows, c->bandRows);
    ok(paddingTouched == 0, "%ldx%ld: %d padding bytes written", (long)c->width,
       (long)c->height, paddingTouched);
    BYTE top = bits[(c->height - 1) * stride];
    ok(top == c->topValue && bits[0] == 255, "%ldx%ld: top row %u (expected %u), bottom %u",
       (long)c->width, (long)c->height, top, c->topValue, bits[0]);
    free(bits);
}

int main()
{
    for (unsigned i = 0; i < sizeof g_cases / sizeof g_cases[0]; ++i)
        CheckCase(&g_cases[i]);

    // The level never reaches 0, whatever the height.
    for (LONG height = 1; height <= 4096; height += 97) {
        DWORD imageSize = BackdropStride(1) * height;
        BYTE *bits = (BYTE *)malloc(imageSize);
        DrawGradient(bits, 1, height, imageSize);
        ok(bits[(height - 1) * BackdropStride(1)] > 0, "height %ld: the top row is black",
           (long)height);
        free(bits);
    }
    return check_summary();
}
