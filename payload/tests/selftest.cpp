// Checks the payload libraries through their exported functions, the way the
// product will call them, and closes payload windows for the window test.
//   payload-selftest libs CFG [SZDD ORIGINAL]   library cases; CFG is qmcore.cfg
//   payload-selftest close TITLE TIMEOUT_MS     posts WM_CLOSE to that window
#include <winsock2.h>
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bundle32.h"
#include "deflt.h"
#include "expand32.h"
#include "fastio.h"
#include "netxfer.h"
#include "oldarc.h"

namespace {

int g_failures = 0;
int g_checks = 0;

void Check(bool ok, const char *what, int line, const std::string &detail = "")
{
    ++g_checks;
    if (!ok) {
        ++g_failures;
        std::printf("FAIL line %d: %s %s\n", line, what, detail.c_str());
    }
}
#define CHECK(cond) Check((cond), #cond, __LINE__)
#define CHECK_CASE(cond, name) Check((cond), #cond, __LINE__, std::string("[") + (name) + "]")

std::string TempPath(const char *name)
{
    char dir[MAX_PATH];
    DWORD n = GetTempPathA(sizeof dir, dir);
    return std::string(dir, n) + name;
}

std::vector<BYTE> Pattern(size_t size)
{
    std::vector<BYTE> data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<BYTE>((i * 7 + i / 251) & 0xFF);
    return data;
}

void TestFastIo()
{
    const std::string file = TempPath("qm-fastio.bin");
    const std::string copy = TempPath("qm-fastio-copy.bin");
    // Larger than the copy block, and not a multiple of it.
    const std::vector<BYTE> data = Pattern(100003);
    CHECK(FastIoWriteFile(file.c_str(), data.data(), data.size()) == 0);
    unsigned long size = 0;
    CHECK(FastIoFileSize(file.c_str(), &size) == 0 && size == data.size());

    std::vector<BYTE> buf(data.size() + 10);
    unsigned long got = 0;
    CHECK(FastIoReadFile(file.c_str(), buf.data(), buf.size(), &got) == 0 && got == data.size());
    CHECK(std::memcmp(buf.data(), data.data(), data.size()) == 0);
    CHECK(FastIoReadFile(file.c_str(), buf.data(), data.size(), &got) == 0 && got == data.size());
    CHECK(FastIoReadFile(file.c_str(), buf.data(), data.size() - 1, &got) ==
          ERROR_INSUFFICIENT_BUFFER);

    CHECK(FastIoCopyFile(file.c_str(), copy.c_str()) == 0);
    std::fill(buf.begin(), buf.end(), 0);
    CHECK(FastIoReadFile(copy.c_str(), buf.data(), buf.size(), &got) == 0 && got == data.size());
    CHECK(std::memcmp(buf.data(), data.data(), data.size()) == 0);

    // Replacing with an empty file really truncates.
    CHECK(FastIoWriteFile(copy.c_str(), NULL, 0) == 0);
    CHECK(FastIoFileSize(copy.c_str(), &size) == 0 && size == 0);
    CHECK(FastIoReadFile(copy.c_str(), NULL, 0, &got) == 0 && got == 0);

    const std::string missing = TempPath("qm-no-such-folder\\x.bin");
    CHECK(FastIoFileSize(TempPath("qm-no-such-file.bin").c_str(), &size) == ERROR_FILE_NOT_FOUND);
    CHECK(FastIoWriteFile(missing.c_str(), "x", 1) == ERROR_PATH_NOT_FOUND);
    CHECK(FastIoCopyFile(file.c_str(), missing.c_str()) == ERROR_PATH_NOT_FOUND);
    CHECK(FastIoReadFile(NULL, buf.data(), 1, &got) == ERROR_INVALID_PARAMETER);
    DeleteFileA(file.c_str());
    DeleteFileA(copy.c_str());
}

// Every key of the shipped configuration has the same built-in default, and
// there are no defaults without a key.
void TestDefltAgainstConfig(const char *cfg)
{
    char full[MAX_PATH];
    GetFullPathNameA(cfg, sizeof full, full, NULL);
    std::vector<char> sections(8192);
    DWORD n = GetPrivateProfileSectionNamesA(sections.data(), sections.size(), full);
    CHECK(n > 0);
    int keys = 0;
    for (const char *s = sections.data(); *s; s += std::strlen(s) + 1) {
        std::vector<char> pairs(16384);
        GetPrivateProfileSectionA(s, pairs.data(), pairs.size(), full);
        for (const char *p = pairs.data(); *p; p += std::strlen(p) + 1) {
            std::string pair = p;
            size_t eq = pair.find('=');
            if (eq == std::string::npos)
                continue;
            std::string key = pair.substr(0, eq);
            char value[256];
            int len = DefltGetString(s, key.c_str(), value, sizeof value);
            CHECK_CASE(len >= 0 && pair.substr(eq + 1) == value, std::string(s) + "/" + key);
            ++keys;
        }
    }
    CHECK_CASE(keys == DefltCount(), std::to_string(keys) + " keys in " + cfg);
}

void TestDeflt()
{
    const int count = DefltCount();
    CHECK(count > 0);
    for (int i = 0; i < count; ++i) {
        const char *section, *key, *value;
        CHECK(DefltEntry(i, &section, &key, &value) == DEFLT_OK);
        char buf[256];
        CHECK_CASE(DefltGetString(section, key, buf, sizeof buf) == int(std::strlen(value)) &&
                       std::strcmp(buf, value) == 0,
                   key);
    }
    CHECK(DefltEntry(-1, NULL, NULL, NULL) == DEFLT_UNKNOWN);
    CHECK(DefltEntry(count, NULL, NULL, NULL) == DEFLT_UNKNOWN);

    char buf[32];
    CHECK(DefltGetString("editor", "FONTNAME", buf, sizeof buf) == 11 &&
          std::strcmp(buf, "Courier New") == 0);
    CHECK(DefltGetString("Editor", "FontName", buf, 11) == DEFLT_TOO_SMALL && buf[0] == '\0');
    CHECK(DefltGetString("Editor", "FontName", buf, 12) == 11);
    CHECK(DefltGetString("Editor", "NoSuchKey", buf, sizeof buf) == DEFLT_UNKNOWN);
    CHECK(DefltGetString(NULL, "FontName", buf, sizeof buf) == DEFLT_UNKNOWN);

    int v = -1;
    CHECK(DefltGetInt("Editor", "TabWidth", &v) == DEFLT_OK && v == 4);
    CHECK(DefltGetInt("files", "autosaveminutes", &v) == DEFLT_OK && v == 10);
    CHECK(DefltGetInt("Editor", "FontName", &v) == DEFLT_NOT_INT);
    CHECK(DefltGetInt("Quillmere", "Version", &v) == DEFLT_NOT_INT);
    CHECK(DefltGetInt("Nowhere", "TabWidth", &v) == DEFLT_UNKNOWN);
}

void TestExpandVars()
{
    static const char *const names[] = {"APPDIR", "User", "EMPTY"};
    static const char *const values[] = {"C:\\QUILL", "Ada", ""};
    struct Case {
        const char *in;
        int outSize;
        int result;
        const char *out;
    };
    static const Case cases[] = {
        {"%APPDIR%\\qmcore.cfg", 64, 19, "C:\\QUILL\\qmcore.cfg"},
        {"%appdir% and %USER%", 64, 16, "C:\\QUILL and Ada"},
        {"100%% done", 64, 9, "100% done"},
        {"[%EMPTY%]", 64, 2, "[]"},
        {"plain", 6, 5, "plain"},
        {"plain", 5, EXPAND32_TOO_SMALL, ""},
        {"%APPDIR%", 8, EXPAND32_TOO_SMALL, ""},
        {"%MISSING%", 64, EXPAND32_UNKNOWN_VAR, ""},
        {"%APPDIR", 64, EXPAND32_UNTERMINATED, ""},
        {"", 1, 0, ""},
    };
    for (const Case &c : cases) {
        char out[64];
        std::memset(out, 'x', sizeof out);
        int r = Expand32Vars(c.in, out, c.outSize, names, values, 3);
        CHECK_CASE(r == c.result && std::strcmp(out, c.out) == 0, c.in);
    }
    char out[8];
    CHECK(Expand32Vars("x", out, 0, names, values, 3) == EXPAND32_BAD_ARG);
    CHECK(Expand32Vars("%A%", out, sizeof out, NULL, NULL, 1) == EXPAND32_BAD_ARG);
    CHECK(Expand32Vars("%A%", out, sizeof out, NULL, NULL, 0) == EXPAND32_UNKNOWN_VAR);
}

void TestExpandTabs()
{
    struct Case {
        const char *in;
        int width;
        int outSize;
        int result;
        const char *out;
    };
    static const Case cases[] = {
        {"a\tb", 4, 64, 5, "a   b"},
        {"\t", 8, 64, 8, "        "},
        {"abcd\tx", 4, 64, 9, "abcd    x"},
        {"ab\r\n\tc", 4, 64, 9, "ab\r\n    c"},
        {"\t\t", 16, 64, 32, "                                "},
        {"a\tb", 4, 6, 5, "a   b"},
        {"a\tb", 4, 5, EXPAND32_TOO_SMALL, ""},
        {"a\tb", 0, 64, EXPAND32_BAD_ARG, ""},
        {"a\tb", 17, 64, EXPAND32_BAD_ARG, ""},
    };
    for (const Case &c : cases) {
        char out[64] = "";
        int r = Expand32Tabs(c.in, out, c.outSize, c.width);
        CHECK_CASE(r == c.result && std::strcmp(out, c.out) == 0, c.in);
    }
}

void TestBundle()
{
    const std::vector<BYTE> big = Pattern(5000);
    const Bundle32Item items[] = {
        {"chapter1.txt", "It was a dark and stormy night.", 31},
        {"empty.txt", NULL, 0},
        {"figures.bin", big.data(), static_cast<unsigned long>(big.size())},
    };
    unsigned long need = 0;
    CHECK(Bundle32Pack(items, 3, NULL, 0, &need) == BUNDLE32_TOO_SMALL);
    CHECK(need == 8 + (2 + 13 + 4 + 31) + (2 + 10 + 4) + (2 + 12 + 4 + 5000));
    std::vector<BYTE> bundle(need);
    unsigned long written = 0;
    CHECK(Bundle32Pack(items, 3, bundle.data(), need - 1, &written) == BUNDLE32_TOO_SMALL);
    CHECK(Bundle32Pack(items, 3, bundle.data(), need, &written) == BUNDLE32_OK && written == need);
    CHECK(Bundle32Count(bundle.data(), need) == 3);
    for (int i = 0; i < 3; ++i) {
        Bundle32Item got;
        CHECK_CASE(Bundle32Get(bundle.data(), need, i, &got) == BUNDLE32_OK &&
                       std::strcmp(got.name, items[i].name) == 0 && got.size == items[i].size &&
                       (got.size == 0 || std::memcmp(got.data, items[i].data, got.size) == 0),
                   items[i].name);
    }
    Bundle32Item got;
    CHECK(Bundle32Get(bundle.data(), need, 3, &got) == BUNDLE32_NO_ITEM);
    CHECK(Bundle32Get(bundle.data(), need, -1, &got) == BUNDLE32_NO_ITEM);

    // Damaged blocks: cut short, a byte too many, wrong magic, a name whose
    // length runs past the end.
    CHECK(Bundle32Count(bundle.data(), need - 1) == BUNDLE32_CORRUPT);
    std::vector<BYTE> longer(bundle);
    longer.push_back(0);
    CHECK(Bundle32Count(longer.data(), longer.size()) == BUNDLE32_CORRUPT);
    std::vector<BYTE> bad(bundle);
    bad[0] = 'X';
    CHECK(Bundle32Count(bad.data(), bad.size()) == BUNDLE32_CORRUPT);
    bad = bundle;
    bad[8] = 0xFF;
    CHECK(Bundle32Get(bad.data(), bad.size(), 0, &got) == BUNDLE32_CORRUPT);
    bad = bundle;
    bad[8 + 2 + 12] = 'X'; // the zero ending "chapter1.txt"
    CHECK(Bundle32Get(bad.data(), bad.size(), 0, &got) == BUNDLE32_CORRUPT);
    CHECK(Bundle32Count(bundle.data(), 4) == BUNDLE32_CORRUPT);

    BYTE empty[8];
    CHECK(Bundle32Pack(NULL, 0, empty, sizeof empty, &written) == BUNDLE32_OK && written == 8);
    CHECK(Bundle32Count(empty, sizeof empty) == 0);
    const std::string longName(BUNDLE32_MAX_NAME + 1, 'n');
    const Bundle32Item badItems[] = {{"", "x", 1}, {longName.c_str(), "x", 1}, {"x", NULL, 1}};
    for (const Bundle32Item &item : badItems)
        CHECK(Bundle32Pack(&item, 1, bundle.data(), need, &written) == BUNDLE32_BAD_ARG);
}

void TestParseUrl()
{
    struct Case {
        const char *url;
        int hostSize;
        int result;
        const char *host;
        unsigned short port;
        const char *path;
    };
    static const Case cases[] = {
        {"http://example.org/docs/a.txt", 64, NETXFER_OK, "example.org", 80, "/docs/a.txt"},
        {"HTTP://Host:8080", 64, NETXFER_OK, "Host", 8080, "/"},
        {"http://h:65535/x", 64, NETXFER_OK, "h", 65535, "/x"},
        {"http://example.org", 12, NETXFER_OK, "example.org", 80, "/"},
        {"http://example.org", 11, NETXFER_TOO_SMALL, "", 0, ""},
        {"http://h:0/", 64, NETXFER_BAD_URL, "", 0, ""},
        {"http://h:65536/", 64, NETXFER_BAD_URL, "", 0, ""},
        {"http://h:80x/", 64, NETXFER_BAD_URL, "", 0, ""},
        {"http://h:/", 64, NETXFER_BAD_URL, "", 0, ""},
        {"http:///path", 64, NETXFER_BAD_URL, "", 0, ""},
        {"http://us@h/", 64, NETXFER_BAD_URL, "", 0, ""},
        {"ftp://h/", 64, NETXFER_BAD_URL, "", 0, ""},
        {"http:/", 64, NETXFER_BAD_URL, "", 0, ""},
    };
    for (const Case &c : cases) {
        char host[64] = "", path[64] = "";
        unsigned short port = 0;
        int r = NetXferParseUrl(c.url, host, c.hostSize, &port, path, sizeof path);
        CHECK_CASE(r == c.result && std::strcmp(host, c.host) == 0 && port == c.port &&
                       std::strcmp(path, c.path) == 0,
                   c.url);
    }
}

void TestCrc()
{
    CHECK(NetXferCrc32(0, "123456789", 9) == 0xCBF43926UL);
    CHECK(NetXferCrc32(0, "", 0) == 0);
    const std::vector<BYTE> data = Pattern(1000);
    unsigned long part = NetXferCrc32(0, data.data(), 300);
    CHECK(NetXferCrc32(part, data.data() + 300, 700) == NetXferCrc32(0, data.data(), 1000));
}

struct Receiver {
    SOCKET sock;
    std::vector<BYTE> buf;
    int result;
};

DWORD WINAPI ReceiveThread(LPVOID param)
{
    Receiver *r = static_cast<Receiver *>(param);
    r->result = NetXferRecvAll(r->sock, r->buf.data(), r->buf.size());
    return 0;
}

// A loopback connection carries a block larger than the socket buffers, and
// RecvAll stops when the sender closes.
void TestSockets()
{
    CHECK(NetXferStartup() == 0);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    CHECK(bind(listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0);
    CHECK(listen(listener, 1) == 0);
    CHECK(getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len) == 0);
    SOCKET sender = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    CHECK(connect(sender, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0);
    Receiver r = {accept(listener, NULL, NULL), std::vector<BYTE>(3000000), -1};
    CHECK(r.sock != INVALID_SOCKET);

    const std::vector<BYTE> data = Pattern(2000000);
    HANDLE thread = CreateThread(NULL, 0, ReceiveThread, &r, 0, NULL);
    CHECK(NetXferSendAll(sender, data.data(), data.size()) == 0);
    closesocket(sender);
    CHECK(WaitForSingleObject(thread, 20000) == WAIT_OBJECT_0);
    CloseHandle(thread);
    CHECK(r.result == int(data.size()));
    CHECK(NetXferCrc32(0, r.buf.data(), data.size()) == NetXferCrc32(0, data.data(), data.size()));
    CHECK(NetXferSendAll(INVALID_SOCKET, "x", 1) == WSAENOTSOCK);
    CHECK(NetXferRecvAll(INVALID_SOCKET, r.buf.data(), 1) == -WSAENOTSOCK);
    closesocket(r.sock);
    closesocket(listener);
    NetXferCleanup();
}

std::vector<BYTE> Szdd(unsigned long size, const std::vector<BYTE> &body)
{
    std::vector<BYTE> f = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33, 'A', 'q'};
    for (int i = 0; i < 4; ++i)
        f.push_back(static_cast<BYTE>(size >> (8 * i)));
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

void TestOldArc()
{
    struct Case {
        const char *name;
        unsigned long size;
        std::vector<BYTE> body;
        int result;
        const char *out;
    };
    // Ring writes start at 4080; a match names an absolute ring position.
    const Case cases[] = {
        {"literals", 3, {0x07, 'a', 'b', 'c'}, OLDARC_OK, "abc"},
        {"overlapping match", 9, {0x07, 'a', 'b', 'c', 0xF0, 0xF3}, OLDARC_OK, "abcabcabc"},
        {"match into primed spaces", 4, {0x02, 0x00, 0x00, 'x'}, OLDARC_OK, "   x"},
        {"longest match", 18, {0x00, 0x00, 0x0F}, OLDARC_OK, "                  "},
        {"size too large", 4, {0x07, 'a', 'b', 'c'}, OLDARC_CORRUPT, ""},
        {"size too small", 2, {0x07, 'a', 'b', 'c'}, OLDARC_CORRUPT, ""},
        {"match past size", 5, {0x07, 'a', 'b', 'c', 0xF0, 0xF3}, OLDARC_CORRUPT, ""},
        {"cut inside a match", 6, {0x07, 'a', 'b', 'c', 0xF0}, OLDARC_CORRUPT, ""},
        {"empty", 0, {}, OLDARC_OK, ""},
    };
    for (const Case &c : cases) {
        std::vector<BYTE> file = Szdd(c.size, c.body);
        char out[32] = "";
        unsigned long written = 99;
        int r = OldArcExpand(file.data(), file.size(), out, sizeof out - 1, &written);
        CHECK_CASE(r == c.result, c.name);
        if (r == OLDARC_OK)
            CHECK_CASE(written == std::strlen(c.out) && std::memcmp(out, c.out, written) == 0,
                       c.name);
    }
    std::vector<BYTE> file = Szdd(9, {0x07, 'a', 'b', 'c', 0xF0, 0xF3});
    unsigned long size = 0;
    char last = 0;
    BYTE out[16];
    CHECK(OldArcIsSzdd(file.data(), file.size()) == 1);
    CHECK(OldArcInfo(file.data(), file.size(), &size, &last) == OLDARC_OK);
    CHECK(size == 9 && last == 'q');
    CHECK(OldArcExpand(file.data(), file.size(), out, 8, &size) == OLDARC_TOO_SMALL);
    CHECK(OldArcIsSzdd(file.data(), 13) == 0);
    file[8] = 'B';
    CHECK(OldArcExpand(file.data(), file.size(), out, sizeof out, &size) == OLDARC_NOT_SZDD);
}

std::vector<BYTE> ReadWhole(const char *path)
{
    unsigned long size = 0;
    std::vector<BYTE> data;
    if (FastIoFileSize(path, &size) != 0)
        return data;
    data.resize(size);
    unsigned long got = 0;
    if (FastIoReadFile(path, data.data(), size, &got) != 0)
        data.clear();
    return data;
}

// A file made by the classic compress tool expands to its original.
void TestOldArcFile(const char *szddPath, const char *originalPath)
{
    const std::vector<BYTE> packed = ReadWhole(szddPath);
    const std::vector<BYTE> original = ReadWhole(originalPath);
    CHECK_CASE(!packed.empty() && !original.empty(), szddPath);
    unsigned long size = 0;
    CHECK(OldArcInfo(packed.data(), packed.size(), &size, NULL) == OLDARC_OK);
    CHECK(size == original.size());
    std::vector<BYTE> out(size);
    unsigned long written = 0;
    CHECK(OldArcExpand(packed.data(), packed.size(), out.data(), out.size(), &written) ==
          OLDARC_OK);
    CHECK(written == original.size() && out == original);
}

int RunLibraryChecks(int argc, char **argv)
{
    TestFastIo();
    TestDeflt();
    TestDefltAgainstConfig(argv[2]);
    TestExpandVars();
    TestExpandTabs();
    TestBundle();
    TestParseUrl();
    TestCrc();
    TestSockets();
    TestOldArc();
    if (argc == 5)
        TestOldArcFile(argv[3], argv[4]);
    std::printf("%d checks, %d failed\n", g_checks, g_failures);
    return g_failures == 0 ? 0 : 1;
}

// Closes a top-level window by its exact title, as a user would.
int CloseWindowByTitle(const char *title, const char *timeoutText)
{
    DWORD timeout = std::strtoul(timeoutText, NULL, 10);
    DWORD start = GetTickCount();
    HWND window;
    while ((window = FindWindowA(NULL, title)) == NULL || !IsWindowVisible(window)) {
        if (GetTickCount() - start > timeout) {
            std::printf("no visible window titled \"%s\"\n", title);
            return 1;
        }
        Sleep(50);
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "libs") == 0 && (argc == 3 || argc == 5))
        return RunLibraryChecks(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "close") == 0)
        return CloseWindowByTitle(argv[2], argv[3]);
    std::printf("usage: payload-selftest libs CFG [SZDD ORIGINAL]\n"
                "       payload-selftest close TITLE TIMEOUT_MS\n");
    return 2;
}
