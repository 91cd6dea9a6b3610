// Files that hold a line of text, as the unit tests make and read them.
#ifndef QUILLMERE_TEST_FILES_H
#define QUILLMERE_TEST_FILES_H

#include <windows.h>
#include <string>

// What the file holds, "-" when there is none; read as a reader of a file another program
// writes would, sharing everything.
inline std::string FileText(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "-";
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, NULL) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

// A file made anew to hold text; none for NULL. Whether it holds it.
inline bool PutText(const std::string &path, const char *text)
{
    DeleteFileA(path.c_str());
    if (!text)
        return true;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
    DWORD written = 0;
    bool done = file != INVALID_HANDLE_VALUE &&
                WriteFile(file, text, lstrlenA(text), &written, NULL) &&
                written == (DWORD)lstrlenA(text);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return done;
}

#endif
