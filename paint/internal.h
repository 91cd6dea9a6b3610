// What painting keeps to itself, declared for its unit tests.
#ifndef QUILLMERE_PAINT_INTERNAL_H
#define QUILLMERE_PAINT_INTERNAL_H

#include "paint.h"

// backdrop.cpp
// Bytes per pixel row of an 8-bit picture: the width rounded up to a multiple of 4.
DWORD BackdropStride(LONG width);
// The vertical gradient into 8-bit pixel rows, bottom row first.
void DrawGradient(BYTE *bits, LONG width, LONG height, DWORD imageSize);

#endif
