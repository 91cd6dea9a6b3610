// What the installer and the uninstaller share with other programs: the right to run, and
// the installed files. Shared by both.
#ifndef QUILLMERE_SHARING_H
#define QUILLMERE_SHARING_H

#include <windows.h>

// Takes the mark that one setup or removal of Quillmere holds for its whole run, one for
// the whole machine; FALSE when another run holds it, or it exists and cannot be opened,
// and the window of that run is then brought to the front if show.
BOOL RunAlone(BOOL show);
// Lets go of that mark before the process ends, so that the next run may begin.
void StopRunningAlone();

// Whether a running program holds the file: Windows refuses to open it for writing without
// sharing, and will neither replace nor remove it.
BOOL FileInUse(const char *path);

#endif
