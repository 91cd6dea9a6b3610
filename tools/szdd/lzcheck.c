/* lzcheck COMPRESSED ORIGINAL [COMPRESSED ORIGINAL ...]
   Expands each compressed file through the platform's LZ32 (LZOpenFileA, LZCopy, LZClose)
   into a temporary file and compares it with the original byte for byte. */
#include <windows.h>
#include <lzexpand.h>
#include <stdio.h>
#include <string.h>

/* NULL if both files hold the same bytes, else why not. */
static const char *compare(const char *a, const char *b)
{
    static char a_buf[65536], b_buf[65536];
    const char *why = NULL;
    FILE *fa = fopen(a, "rb");
    FILE *fb = fopen(b, "rb");
    if (!fa || !fb) {
        why = !fa ? "cannot read the expanded file" : "cannot read the original";
    } else {
        for (;;) {
            size_t na = fread(a_buf, 1, sizeof a_buf, fa);
            size_t nb = fread(b_buf, 1, sizeof b_buf, fb);
            if (na != nb || memcmp(a_buf, b_buf, na) != 0) {
                why = "expanded bytes differ from the original";
                break;
            }
            if (na == 0) {
                if (ferror(fa) || ferror(fb))
                    why = "read error";
                break;
            }
        }
    }
    if (fa)
        fclose(fa);
    if (fb)
        fclose(fb);
    return why;
}

/* NULL if compressed expands to exactly original (through temp), else why not. */
static const char *check(const char *compressed, const char *original, const char *temp)
{
    OFSTRUCT src_of, dst_of;
    INT src, dst;
    LONG copied;

    src = LZOpenFileA((LPSTR)compressed, &src_of, OF_READ);
    if (src < 0)
        return "cannot open the compressed file";
    dst = LZOpenFileA((LPSTR)temp, &dst_of, OF_CREATE);
    if (dst < 0) {
        LZClose(src);
        return "cannot create the temporary file";
    }
    copied = LZCopy(src, dst);
    LZClose(src);
    LZClose(dst);
    if (copied < 0)
        return "LZCopy failed";
    return compare(temp, original);
}

int main(int argc, char **argv)
{
    char dir[MAX_PATH], temp[MAX_PATH];
    DWORD len;
    int i, passed = 0, failed = 0;

    if (argc < 3 || argc % 2 == 0) {
        fprintf(stderr, "usage: lzcheck COMPRESSED ORIGINAL [COMPRESSED ORIGINAL ...]\n");
        return 2;
    }
    /* GetTempFileNameA needs room for 14 more characters after the folder. */
    len = GetTempPathA(sizeof dir, dir);
    if (len == 0 || len > sizeof dir - 14 || !GetTempFileNameA(dir, "lzc", 0, temp)) {
        fprintf(stderr, "lzcheck: no temporary file\n");
        return 2;
    }
    for (i = 1; i + 1 < argc; i += 2) {
        const char *why = check(argv[i], argv[i + 1], temp);
        if (why) {
            printf("FAIL %s: %s\n", argv[i], why);
            failed++;
        } else {
            printf("ok   %s\n", argv[i]);
            passed++;
        }
    }
    DeleteFileA(temp);
    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
