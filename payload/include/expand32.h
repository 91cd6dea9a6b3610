/* expand32.dll: text expansion helpers. Both return the length of the expanded
   text (without its terminating zero) or a negative EXPAND32_ code. On error
   out holds an empty string (when outSize > 0). */
#ifndef EXPAND32_H
#define EXPAND32_H
#include "qmexport.h"

#define EXPAND32_TOO_SMALL    (-1) /* out cannot hold the result */
#define EXPAND32_UNKNOWN_VAR  (-2) /* %NAME% with no matching name */
#define EXPAND32_UNTERMINATED (-3) /* a % without its closing % */
#define EXPAND32_BAD_ARG      (-4)

/* Replaces each %NAME% (names compared without regard to case) with the
   value of the same index; "%%" gives a single '%'. */
QM_API int Expand32Vars(const char *in, char *out, int outSize,
                        const char *const *names, const char *const *values, int count);
/* Replaces tab characters by spaces up to the next multiple of tabWidth
   (1..16); columns restart after each line break. */
QM_API int Expand32Tabs(const char *in, char *out, int outSize, int tabWidth);

#endif
