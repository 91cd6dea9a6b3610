// What the installation engine keeps to itself, declared for its unit tests.
#ifndef QUILLMERE_INSTALL_INTERNAL_H
#define QUILLMERE_INSTALL_INTERNAL_H

#include "install.h"

// progress.cpp: the bar's arithmetic works on plain data, so that it can be checked
// without a screen.
#define PROGRESS_DIGITS 4
struct CopyProgress {
    LONG width;     // client width W of the bar
    RECT fill;      // the blue part
    LONG textTop;   // the percentage's top row
    LONG stepWhole; // whole pixels per step
    LONG stepDigits[PROGRESS_DIGITS];
    LONG accWhole;
    LONG accDigits[PROGRESS_DIGITS];
    LONG stepCount;  // the percentage's divisor: the number of rows
    LONG stepNumber; // the step whose percentage is drawn next
    LONG percent;    // the one drawn last
    HDC dc;
    HBRUSH brush;
    HGDIOBJ oldBrush;
    char text[12];
};
// The bar's client width and height W and H, and n, the spans W is divided into: there is
// one step more, a row each, and the percentage counts the steps.
void ProgressSetup(CopyProgress *progress, LONG width, LONG height, LONG n);
// Adds one step's share to the fill; returns TRUE with the text set when a percentage is due.
BOOL ProgressAdvance(CopyProgress *progress);

// registry.cpp
// The key below which the uninstall entry goes, chosen by the GetVersion value.
const char *VersionKeyPath(DWORD version);

#endif
