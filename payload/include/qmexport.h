/* Calling convention and export marker shared by the Quillmere libraries.
   Plain C linkage and __cdecl, so GetProcAddress finds the bare names. */
#ifndef QMEXPORT_H
#define QMEXPORT_H

#ifdef __cplusplus
#define QM_LINKAGE extern "C"
#else
#define QM_LINKAGE
#endif

#ifdef QM_BUILD_DLL
#define QM_API QM_LINKAGE __declspec(dllexport)
#else
#define QM_API QM_LINKAGE __declspec(dllimport)
#endif

#endif
