// The built-in defaults. They mirror the shipped qmcore.cfg, so a damaged or
// partly deleted configuration still gives the product's usual behaviour.
#include <windows.h>
#include "deflt.h"

namespace {

struct Setting {
    const char *section;
    const char *key;
    const char *value;
};

const Setting kSettings[] = {
    {"Quillmere", "Version", "1.0"},
    {"Quillmere", "Language", "English"},
    {"Quillmere", "HelpFile", "qmguide.hlp"},
    {"Quillmere", "KeyMap", "qmkeys.kbm"},
    {"Quillmere", "ReleaseNotes", "notes.wri"},
    {"Quillmere", "WordList", "lists\\GENERAL.DAT"},
    {"Editor", "FontName", "Courier New"},
    {"Editor", "FontSize", "10"},
    {"Editor", "TabWidth", "4"},
    {"Editor", "WordWrap", "1"},
    {"Editor", "AutoIndent", "1"},
    {"Editor", "ShowRuler", "1"},
    {"Editor", "RightMargin", "72"},
    {"Files", "DefaultExtension", "txt"},
    {"Files", "BackupOnSave", "1"},
    {"Files", "AutoSaveMinutes", "10"},
    {"Files", "RecentFiles", "4"},
    {"Spelling", "CheckAsYouType", "1"},
    {"Spelling", "IgnoreUppercase", "1"},
    {"Spelling", "IgnoreNumbers", "1"},
    {"Spelling", "MaxSuggestions", "6"},
    {"Libraries", "FastIO", "fastio.dll"},
    {"Libraries", "Defaults", "deflt.dll"},
    {"Libraries", "Expand", "expand32.dll"},
    {"Libraries", "Bundle", "bundle32.dll"},
    {"Libraries", "Transfer", "netxfer.dll"},
    {"Libraries", "OldArchive", "oldarc.dll"},
};

const int kSettingCount = sizeof kSettings / sizeof kSettings[0];

const Setting *Find(const char *section, const char *key)
{
    if (section == NULL || key == NULL)
        return NULL;
    for (int i = 0; i < kSettingCount; ++i) {
        if (lstrcmpiA(kSettings[i].section, section) == 0 && lstrcmpiA(kSettings[i].key, key) == 0)
            return &kSettings[i];
    }
    return NULL;
}

} // namespace

int DefltCount(void)
{
    return kSettingCount;
}

int DefltEntry(int index, const char **section, const char **key, const char **value)
{
    if (index < 0 || index >= kSettingCount)
        return DEFLT_UNKNOWN;
    if (section)
        *section = kSettings[index].section;
    if (key)
        *key = kSettings[index].key;
    if (value)
        *value = kSettings[index].value;
    return DEFLT_OK;
}

int DefltGetString(const char *section, const char *key, char *buf, int bufSize)
{
    const Setting *s = Find(section, key);
    if (buf != NULL && bufSize > 0)
        buf[0] = '\0';
    if (s == NULL)
        return DEFLT_UNKNOWN;
    int len = lstrlenA(s->value);
    if (buf == NULL || len >= bufSize)
        return DEFLT_TOO_SMALL;
    CopyMemory(buf, s->value, len + 1);
    return len;
}

int DefltGetInt(const char *section, const char *key, int *value)
{
    const Setting *s = Find(section, key);
    if (s == NULL)
        return DEFLT_UNKNOWN;
    const char *p = s->value;
    bool negative = (*p == '-');
    if (negative)
        ++p;
    if (*p == '\0')
        return DEFLT_NOT_INT;
    long long n = 0;
    for (; *p; ++p) {
        if (*p < '0' || *p > '9')
            return DEFLT_NOT_INT;
        n = n * 10 + (*p - '0');
        if (n > 2147483648LL)
            return DEFLT_NOT_INT;
    }
    if (negative)
        n = -n;
    if (n > 2147483647LL)
        return DEFLT_NOT_INT;
    if (value)
        *value = static_cast<int>(n);
    return DEFLT_OK;
}
