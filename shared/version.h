// The product's version and maker, as every shipped file's version resource, the uninstall
// entry and the log give them. The build names the four numbers (make build
// VERSION=a.b.c.d, 1.0.0.0 without it); the maker is named here alone.
#ifndef QUILLMERE_VERSION_H
#define QUILLMERE_VERSION_H

#if !defined(VERSION_MAJOR) || !defined(VERSION_MINOR) || !defined(VERSION_PATCH) ||          \
    !defined(VERSION_BUILD)
#error "the build names the version's four numbers (VERSION_MAJOR to VERSION_BUILD)"
#endif

// The maker, as the version resource and the list of installed programs name it.
#define VERSION_COMPANY "The Quillmere team"

#define VERSION_NUMBERS VERSION_MAJOR, VERSION_MINOR, VERSION_PATCH, VERSION_BUILD
// "1.0.0.0". The resource compiler does not join adjacent strings, so the dotted numbers
// are quoted as one token sequence.
#define VERSION_QUOTE(text) #text
#define VERSION_DOTTED(a, b, c, d) VERSION_QUOTE(a.b.c.d)
#define VERSION_TEXT VERSION_DOTTED(VERSION_MAJOR, VERSION_MINOR, VERSION_PATCH, VERSION_BUILD)

#endif
