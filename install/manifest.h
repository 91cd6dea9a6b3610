// The fourteen files of the product, shared by the installer and the uninstaller.
#ifndef QUILLMERE_MANIFEST_H
#define QUILLMERE_MANIFEST_H

#define MANIFEST_ROWS 14
#define MANIFEST_FIELD 40 // NUL-padded text

// Row n is the raw-data resource "FILEn"; its file goes to the installation directory
// followed by the row's destination, which begins with a backslash.
struct PayloadManifestTable {
    char compressedName[MANIFEST_ROWS][MANIFEST_FIELD];
    char destination[MANIFEST_ROWS][MANIFEST_FIELD];
};
extern const PayloadManifestTable PayloadManifest;

// Sub-directories of the installation directory that the payload needs.
#define PAYLOAD_SUBDIR_FIELD 10
#define PAYLOAD_SUBDIRS 1
extern const char PayloadSubdirs[PAYLOAD_SUBDIRS][PAYLOAD_SUBDIR_FIELD];

#endif
