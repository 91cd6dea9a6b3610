/* deflt.dll: the built-in default settings of Quillmere, used when qmcore.cfg
   lacks a key. Section and key names compare without regard to case. */
#ifndef DEFLT_H
#define DEFLT_H
#include "qmexport.h"

#define DEFLT_OK          0
#define DEFLT_UNKNOWN   (-1) /* no such section/key, or index out of range */
#define DEFLT_TOO_SMALL (-2) /* the value does not fit the buffer */
#define DEFLT_NOT_INT   (-3) /* the value is not a whole number */

/* Number of default entries. */
QM_API int DefltCount(void);
/* Entry by index; the strings are static and must not be freed. */
QM_API int DefltEntry(int index, const char **section, const char **key, const char **value);
/* Copies the value (with its terminating zero) into buf; returns its length. */
QM_API int DefltGetString(const char *section, const char *key, char *buf, int bufSize);
/* Parses the value as a decimal whole number. */
QM_API int DefltGetInt(const char *section, const char *key, int *value);

#endif
