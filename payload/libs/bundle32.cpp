// Document bundles: one block holding several named documents, so a set of
// chapters travels as a single file. Layout is described in bundle32.h.
#include <windows.h>
#include "bundle32.h"

namespace {

const BYTE kMagic[4] = {'Q', 'M', 'B', 'N'};
const WORD kVersion = 1;
const DWORD kHeaderSize = 8;

void PutWord(BYTE *p, WORD v)
{
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}

void PutDword(BYTE *p, DWORD v)
{
    PutWord(p, static_cast<WORD>(v));
    PutWord(p + 2, static_cast<WORD>(v >> 16));
}

WORD GetWord(const BYTE *p)
{
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

DWORD GetDword(const BYTE *p)
{
    return GetWord(p) | (static_cast<DWORD>(GetWord(p + 2)) << 16);
}

// Reads bundle entries one after another, checking every length against the
// end of the block before trusting it.
struct Reader {
    const BYTE *pos;
    const BYTE *end;

    bool Next(Bundle32Item *item)
    {
        if (end - pos < 2)
            return false;
        WORD nameLen = GetWord(pos);
        pos += 2;
        if (nameLen < 2 || nameLen > BUNDLE32_MAX_NAME + 1 || end - pos < nameLen + 4)
            return false;
        const char *name = reinterpret_cast<const char *>(pos);
        if (name[nameLen - 1] != '\0' || lstrlenA(name) != nameLen - 1)
            return false;
        pos += nameLen;
        DWORD size = GetDword(pos);
        pos += 4;
        if (static_cast<DWORD>(end - pos) < size)
            return false;
        item->name = name;
        item->data = pos;
        item->size = size;
        pos += size;
        return true;
    }
};

// Checks the header and every entry; returns the count or BUNDLE32_CORRUPT.
int Open(const void *bundle, unsigned long size, Reader *reader)
{
    if (bundle == NULL || size < kHeaderSize)
        return BUNDLE32_CORRUPT;
    const BYTE *p = static_cast<const BYTE *>(bundle);
    if (p[0] != kMagic[0] || p[1] != kMagic[1] || p[2] != kMagic[2] || p[3] != kMagic[3] ||
        GetWord(p + 4) != kVersion)
        return BUNDLE32_CORRUPT;
    int count = GetWord(p + 6);
    Reader check = {p + kHeaderSize, p + size};
    Bundle32Item item;
    for (int i = 0; i < count; ++i) {
        if (!check.Next(&item))
            return BUNDLE32_CORRUPT;
    }
    if (check.pos != check.end)
        return BUNDLE32_CORRUPT;
    reader->pos = p + kHeaderSize;
    reader->end = p + size;
    return count;
}

} // namespace

int Bundle32Pack(const Bundle32Item *items, int count, void *out,
                 unsigned long outSize, unsigned long *written)
{
    if (written == NULL || count < 0 || count > BUNDLE32_MAX_ITEMS || (count > 0 && items == NULL))
        return BUNDLE32_BAD_ARG;
    *written = 0;
    // First pass: validate and size, so nothing is written on bad input.
    unsigned long long need = kHeaderSize;
    for (int i = 0; i < count; ++i) {
        if (items[i].name == NULL || (items[i].data == NULL && items[i].size > 0))
            return BUNDLE32_BAD_ARG;
        int nameLen = lstrlenA(items[i].name);
        if (nameLen < 1 || nameLen > BUNDLE32_MAX_NAME)
            return BUNDLE32_BAD_ARG;
        need += 2 + nameLen + 1 + 4 + static_cast<unsigned long long>(items[i].size);
    }
    if (need > 0xFFFFFFFFULL)
        return BUNDLE32_BAD_ARG;
    *written = static_cast<unsigned long>(need);
    if (out == NULL || need > outSize)
        return BUNDLE32_TOO_SMALL;
    BYTE *p = static_cast<BYTE *>(out);
    CopyMemory(p, kMagic, 4);
    PutWord(p + 4, kVersion);
    PutWord(p + 6, static_cast<WORD>(count));
    p += kHeaderSize;
    for (int i = 0; i < count; ++i) {
        WORD nameLen = static_cast<WORD>(lstrlenA(items[i].name) + 1);
        PutWord(p, nameLen);
        CopyMemory(p + 2, items[i].name, nameLen);
        p += 2 + nameLen;
        PutDword(p, items[i].size);
        p += 4;
        if (items[i].size > 0)
            CopyMemory(p, items[i].data, items[i].size);
        p += items[i].size;
    }
    return BUNDLE32_OK;
}

int Bundle32Count(const void *bundle, unsigned long size)
{
    Reader reader;
    return Open(bundle, size, &reader);
}

int Bundle32Get(const void *bundle, unsigned long size, int index, Bundle32Item *item)
{
    if (item == NULL)
        return BUNDLE32_BAD_ARG;
    Reader reader;
    int count = Open(bundle, size, &reader);
    if (count < 0)
        return count;
    if (index < 0 || index >= count)
        return BUNDLE32_NO_ITEM;
    Bundle32Item found;
    for (int i = 0; i <= index; ++i)
        reader.Next(&found);
    *item = found;
    return BUNDLE32_OK;
}
