// Where a program's arguments begin. Windows hands a program its command line as its
// starter wrote it, the program's own name first in whatever form. Shared by the
// installer and the product's own programs.
#ifndef QUILLMERE_PROGRAM_NAME_H
#define QUILLMERE_PROGRAM_NAME_H

#include <windows.h>

// What follows the program's name at the start of line, the blanks after it skipped. The
// name is quoted (up to the next quotation mark), or this program's own full path written
// without quotes, blanks and all, in its long or its short form (as a launcher that names
// only the program passes it), or a bare name up to the first blank.
const char *AfterProgramName(const char *line);

#endif
