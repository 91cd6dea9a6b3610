#include "manifest.h"

const PayloadManifestTable PayloadManifest = {
    {
        "qmcore.cf_",
        "userpr~1.cf_",
        "fastio.dl_",
        "deflt.dl_",
        "expand32.dl_",
        "bundle32.dl_",
        "quillm~1.ex_",
        "qmguide.hl_",
        "qmkeys.kb_",
        "notes.wr_",
        "remove~1.ex_",
        "netxfer.dl_",
        "oldarc.dl_",
        "GENERAL.DA__",
    },
    {
        "\\qmcore.cfg",
        "\\userprefs.cfg",
        "\\fastio.dll",
        "\\deflt.dll",
        "\\expand32.dll",
        "\\bundle32.dll",
        PROGRAM_FILE,
        "\\qmguide.hlp",
        "\\qmkeys.kbm",
        "\\notes.wri",
        UNINSTALLER_FILE,
        "\\netxfer.dll",
        "\\oldarc.dll",
        "\\lists\\GENERAL.DAT",
    },
};

const char PayloadSubdirs[PAYLOAD_SUBDIRS][PAYLOAD_SUBDIR_FIELD] = {"\\lists"};

const ShortcutRow ProgramGroupShortcuts[SHORTCUT_ROWS] = {
    {"\\Quillmere.lnk", PROGRAM_FILE, "Quillmere"},
    {"\\Uninstall.lnk", UNINSTALLER_FILE, "Uninstall"},
    {"\\Readme.lnk", "\\Notes.wri", "Readme"},
};
