/* bundle32.dll: several documents packed into one block of bytes.
   Layout (little-endian): "QMBN", u16 version (1), u16 count, then per
   document u16 name length (with its zero), the name, u32 size, the data. */
#ifndef BUNDLE32_H
#define BUNDLE32_H
#include "qmexport.h"

#define BUNDLE32_OK          0
#define BUNDLE32_BAD_ARG   (-1)
#define BUNDLE32_TOO_SMALL (-2) /* *written then tells the size needed */
#define BUNDLE32_CORRUPT   (-3) /* not a bundle, or cut short */
#define BUNDLE32_NO_ITEM   (-4)

#define BUNDLE32_MAX_ITEMS 65535
#define BUNDLE32_MAX_NAME  255

typedef struct Bundle32Item {
    const char *name;   /* zero-terminated, 1..BUNDLE32_MAX_NAME characters */
    const void *data;
    unsigned long size;
} Bundle32Item;

QM_API int Bundle32Pack(const Bundle32Item *items, int count, void *out,
                        unsigned long outSize, unsigned long *written);
/* Number of documents, or BUNDLE32_CORRUPT after checking the whole block. */
QM_API int Bundle32Count(const void *bundle, unsigned long size);
/* Points item at document index inside the bundle (no copy is made). */
QM_API int Bundle32Get(const void *bundle, unsigned long size, int index, Bundle32Item *item);

#endif
