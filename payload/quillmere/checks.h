// Whether each installed file of Quillmere is present and sound.
#ifndef QUILLMERE_CHECKS_H
#define QUILLMERE_CHECKS_H

#include <windows.h>
#include "api.h"

#define NOTE_CHARS 300          // one file's note: what was found, or what is wrong

// Puts a formatted note and returns sound. A text that does not fit leaves the note
// empty; only numbers and fixed texts may be formatted.
BOOL Verdict(BOOL sound, char *note, int noteSize, const char *format, ...);
#define Found(...) Verdict(TRUE, __VA_ARGS__)
#define Damaged(...) Verdict(FALSE, __VA_ARGS__)

// A format check: TRUE when the bytes are sound. The note says what was found, or on
// FALSE what is wrong.
typedef BOOL (*FormatCheck)(const BYTE *data, DWORD size, char *note, int noteSize);
BOOL CheckCoreConfig(const BYTE *data, DWORD size, char *note, int noteSize);
BOOL CheckUserPrefs(const BYTE *data, DWORD size, char *note, int noteSize);
BOOL CheckLibraryImage(const BYTE *data, DWORD size, char *note, int noteSize);
BOOL CheckProgramImage(const BYTE *data, DWORD size, char *note, int noteSize);
BOOL CheckHelp(const BYTE *data, DWORD size, char *note, int noteSize);
BOOL CheckBitmap(const BYTE *data, DWORD size, char *note, int noteSize);
BOOL CheckWrite(const BYTE *data, DWORD size, char *note, int noteSize);
BOOL CheckWordList(const BYTE *data, DWORD size, char *note, int noteSize);

// The check for an installed file, by its path under the installation folder as the
// manifest writes it ("\lists\GENERAL.DAT"); NULL for a file without one.
FormatCheck FormatCheckFor(const char *destination);

// The value of key in [section] of a configuration file's text; FALSE when there is none
// or it does not fit.
BOOL IniValue(const BYTE *data, DWORD size, const char *section, const char *key, char *value,
              int valueSize);

#endif
