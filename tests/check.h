// One-line checks in the style "ok(condition, what was expected, what came)".
#ifndef QUILLMERE_CHECK_H
#define QUILLMERE_CHECK_H

#include <stdarg.h>
#include <stdio.h>

inline int g_passed;
inline int g_failed;

// The compiler checks each call's format against its arguments.
__attribute__((format(printf, 4, 5))) inline void ok_at(const char *file, int line,
                                                        bool condition, const char *format, ...)
{
    if (condition) {
        ++g_passed;
        return;
    }
    ++g_failed;
    va_list args;
    va_start(args, format);
    printf("%s:%d: ", file, line);
    vprintf(format, args);
    printf("\n");
    fflush(stdout);
    va_end(args);
}

#define ok(condition, ...) ok_at(__FILE__, __LINE__, (condition), __VA_ARGS__)

// A system call the test answers itself, linked with -Wl,--wrap=_imp__NAME@BYTES: the test
// defines Answer<NAME>, of the call's type; g_real<NAME> is the system's.
#define ANSWER_IMPORT(name, bytes)                                                         \
    static decltype(name) Answer##name;                                                    \
    extern "C" {                                                                           \
    extern decltype(&name) g_real##name asm("___real__imp__" #name "@" #bytes);            \
    void *g_wrap##name asm("___wrap__imp__" #name "@" #bytes) = (void *)Answer##name;      \
    }

// The closing line CTest's log shows; the exit status is what counts.
inline int check_summary()
{
    printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 && g_passed > 0 ? 0 : 1;
}

#endif
