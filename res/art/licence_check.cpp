// Loads strings from its own resources exactly as the installer loads the
// licence (LoadStringA, 5000-byte buffer) and compares each, byte for byte,
// with the text file it was generated from, line ends turned into CRLF.
//
// usage: licence_check.exe ID FILE [ID FILE ...]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

static const int kBufferBytes = 5000;

// The file's bytes with LF, CRLF and lone CR line ends all made CRLF.
static bool ReadCrlf(const char *path, std::string *out) {
    FILE *f = fopen(path, "rb");
    if (!f) return false;
    int c;
    while ((c = fgetc(f)) != EOF) {
        if (c == '\r') {
            int next = fgetc(f);
            if (next != '\n' && next != EOF) ungetc(next, f);
            out->append("\r\n");
        } else if (c == '\n') {
            out->append("\r\n");
        } else {
            out->push_back(static_cast<char>(c));
        }
    }
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

// Prints one verdict line; true when the resource string equals the file.
static bool CheckOne(UINT id, const char *path) {
    std::string want;
    if (!ReadCrlf(path, &want)) {
        printf("FAIL %u %s: cannot read the file\n", id, path);
        return false;
    }
    static char buf[kBufferBytes];
    memset(buf, 0x5A, sizeof buf);
    int got = LoadStringA(GetModuleHandleA(NULL), id, buf, kBufferBytes);
    if (got <= 0) {
        printf("FAIL %u %s: LoadStringA found no string\n", id, path);
        return false;
    }
    size_t len = strnlen(buf, sizeof buf);
    if (len != static_cast<size_t>(got)) {
        printf("FAIL %u %s: LoadStringA said %d characters, buffer holds %u\n",
               id, path, got, static_cast<unsigned>(len));
        return false;
    }
    size_t same = 0;
    while (same < len && same < want.size() && buf[same] == want[same]) ++same;
    if (same != len || len != want.size()) {
        printf("FAIL %u %s: %u of %u characters loaded; first difference at "
               "offset %u\n", id, path, static_cast<unsigned>(len),
               static_cast<unsigned>(want.size()), static_cast<unsigned>(same));
        return false;
    }
    printf("ok   %u %s: %u characters intact\n", id, path,
           static_cast<unsigned>(len));
    return true;
}

int main(int argc, char **argv) {
    if (argc < 3 || argc % 2 != 1) {
        fprintf(stderr, "usage: licence_check ID FILE [ID FILE ...]\n");
        return 2;
    }
    int failed = 0, total = (argc - 1) / 2;
    for (int i = 1; i < argc; i += 2) {
        char *end = NULL;
        unsigned long id = strtoul(argv[i], &end, 10);
        if (*argv[i] == '\0' || *end != '\0' || id > 65535) {
            printf("FAIL %s %s: bad string id\n", argv[i], argv[i + 1]);
            ++failed;
        } else if (!CheckOne(static_cast<UINT>(id), argv[i + 1])) {
            ++failed;
        }
    }
    if (failed) {
        printf("licence check FAILED: %d of %d strings differ\n", failed, total);
        return 1;
    }
    printf("licence check passed: all %d strings intact\n", total);
    return 0;
}
