// Text expansion: %NAME% placeholders (as in path templates of the product's
// settings) and tab stops (for plain-text export).
#include <windows.h>
#include "expand32.h"

namespace {

// Appends into a bounded buffer; once anything fails to fit it stays failed,
// so a caller may append freely and check once at the end.
struct Out {
    char *buf;
    int size;
    int len;
    bool overflow;

    void Put(const char *s, int n)
    {
        if (overflow || n > size - 1 - len) {
            overflow = true;
            return;
        }
        CopyMemory(buf + len, s, n);
        len += n;
    }
    void PutChar(char c) { Put(&c, 1); }

    int Finish(int status)
    {
        if (status == 0 && overflow)
            status = EXPAND32_TOO_SMALL;
        buf[status == 0 ? len : 0] = '\0';
        return status == 0 ? len : status;
    }
};

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names are plain ASCII identifiers; no locale may change how they compare.
bool NameMatches(const char *name, const char *text, int textLen)
{
    for (int i = 0; i < textLen; ++i) {
        if (name[i] == '\0' || AsciiLower(name[i]) != AsciiLower(text[i]))
            return false;
    }
    return name[textLen] == '\0';
}

} // namespace

int Expand32Vars(const char *in, char *out, int outSize,
                 const char *const *names, const char *const *values, int count)
{
    if (in == NULL || out == NULL || outSize <= 0 || count < 0 ||
        (count > 0 && (names == NULL || values == NULL)))
        return EXPAND32_BAD_ARG;
    Out o = {out, outSize, 0, false};
    for (const char *p = in; *p;) {
        if (*p != '%') {
            o.PutChar(*p++);
            continue;
        }
        const char *start = p + 1;
        const char *end = start;
        while (*end && *end != '%')
            ++end;
        if (*end == '\0')
            return o.Finish(EXPAND32_UNTERMINATED);
        int nameLen = static_cast<int>(end - start);
        if (nameLen == 0) {
            o.PutChar('%');
        } else {
            int i = 0;
            while (i < count && !(names[i] && NameMatches(names[i], start, nameLen)))
                ++i;
            if (i == count)
                return o.Finish(EXPAND32_UNKNOWN_VAR);
            if (values[i])
                o.Put(values[i], lstrlenA(values[i]));
        }
        p = end + 1;
    }
    return o.Finish(0);
}

int Expand32Tabs(const char *in, char *out, int outSize, int tabWidth)
{
    if (in == NULL || out == NULL || outSize <= 0 || tabWidth < 1 || tabWidth > 16)
        return EXPAND32_BAD_ARG;
    static const char kSpaces[] = "                ";
    Out o = {out, outSize, 0, false};
    int column = 0;
    for (const char *p = in; *p; ++p) {
        if (*p == '\t') {
            int pad = tabWidth - column % tabWidth;
            o.Put(kSpaces, pad);
            column += pad;
        } else {
            o.PutChar(*p);
            column = (*p == '\r' || *p == '\n') ? 0 : column + 1;
        }
    }
    return o.Finish(0);
}
