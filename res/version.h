// The product's version: the version resource of setup.exe and the uninstall entry's
// DisplayVersion are made from these four numbers.
#ifndef QUILLMERE_VERSION_H
#define QUILLMERE_VERSION_H

#define VERSION_MAJOR 1
#define VERSION_MINOR 0
#define VERSION_PATCH 0
#define VERSION_BUILD 0

// The maker, as the version resource and the list of installed programs name it.
#define VERSION_COMPANY "The Quillmere team"

#define VERSION_NUMBERS VERSION_MAJOR, VERSION_MINOR, VERSION_PATCH, VERSION_BUILD
// "1.0.0.0". The resource compiler does not join adjacent strings, so the dotted numbers
// are quoted as one token sequence.
#define VERSION_QUOTE(text) #text
#define VERSION_DOTTED(a, b, c, d) VERSION_QUOTE(a.b.c.d)
#define VERSION_TEXT VERSION_DOTTED(VERSION_MAJOR, VERSION_MINOR, VERSION_PATCH, VERSION_BUILD)

#endif
