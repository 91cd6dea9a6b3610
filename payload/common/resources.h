// Resource ids the programs' scripts and their code share.
#ifndef QUILLMERE_RESOURCES_H
#define QUILLMERE_RESOURCES_H

// The quill: each program's first icon group, the one the shell shows for its file.
#define IDI_QUILL 1

#endif
