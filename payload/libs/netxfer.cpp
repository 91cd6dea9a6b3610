// Network transfer helpers: URL splitting, a CRC to verify what arrived, and
// send/receive loops that cope with partial transfers.
#include <winsock2.h>
#include <windows.h>
#include "netxfer.h"

namespace {

const char kScheme[] = "http://";
const int kSchemeLen = sizeof kScheme - 1;

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Copies n characters and a terminating zero, refusing what does not fit.
bool CopyBounded(char *dst, int dstSize, const char *src, int n)
{
    if (dst == NULL || n >= dstSize)
        return false;
    CopyMemory(dst, src, n);
    dst[n] = '\0';
    return true;
}

unsigned long CrcTableEntry(unsigned long n)
{
    for (int k = 0; k < 8; ++k)
        n = (n & 1) ? 0xEDB88320UL ^ (n >> 1) : n >> 1;
    return n;
}

} // namespace

int NetXferParseUrl(const char *url, char *host, int hostSize,
                    unsigned short *port, char *path, int pathSize)
{
    if (url == NULL || port == NULL)
        return NETXFER_BAD_URL;
    for (int i = 0; i < kSchemeLen; ++i) {
        if (AsciiLower(url[i]) != kScheme[i])
            return NETXFER_BAD_URL;
    }
    const char *h = url + kSchemeLen;
    const char *e = h;
    while (*e && *e != ':' && *e != '/')
        ++e;
    if (e == h)
        return NETXFER_BAD_URL;
    unsigned long portValue = 80;
    const char *p = e;
    if (*p == ':') {
        ++p;
        if (*p < '0' || *p > '9')
            return NETXFER_BAD_URL;
        portValue = 0;
        while (*p >= '0' && *p <= '9') {
            portValue = portValue * 10 + (*p++ - '0');
            if (portValue > 65535)
                return NETXFER_BAD_URL;
        }
        if (portValue == 0 || (*p != '\0' && *p != '/'))
            return NETXFER_BAD_URL;
    }
    for (const char *c = h; c < e; ++c) {
        if (*c <= ' ' || *c == '@' || *c == '?' || *c == '#')
            return NETXFER_BAD_URL;
    }
    const char *pathText = (*p == '\0') ? "/" : p;
    if (!CopyBounded(host, hostSize, h, static_cast<int>(e - h)) ||
        !CopyBounded(path, pathSize, pathText, lstrlenA(pathText))) {
        if (host && hostSize > 0)
            host[0] = '\0';
        if (path && pathSize > 0)
            path[0] = '\0';
        return NETXFER_TOO_SMALL;
    }
    *port = static_cast<unsigned short>(portValue);
    return NETXFER_OK;
}

unsigned long NetXferCrc32(unsigned long crc, const void *data, unsigned long size)
{
    static unsigned long table[256];
    static bool ready = false;
    if (!ready) {
        for (unsigned long n = 0; n < 256; ++n)
            table[n] = CrcTableEntry(n);
        ready = true;
    }
    const BYTE *p = static_cast<const BYTE *>(data);
    crc = ~crc;
    for (unsigned long i = 0; i < size; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

int NetXferStartup(void)
{
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
}

void NetXferCleanup(void)
{
    WSACleanup();
}

int NetXferSendAll(uintptr_t sock, const void *data, int size)
{
    if (size < 0 || (data == NULL && size > 0))
        return WSAEINVAL;
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        int sent = send(static_cast<SOCKET>(sock), p, size, 0);
        if (sent == SOCKET_ERROR)
            return WSAGetLastError();
        p += sent;
        size -= sent;
    }
    return 0;
}

int NetXferRecvAll(uintptr_t sock, void *buf, int size)
{
    if (size < 0 || (buf == NULL && size > 0))
        return -WSAEINVAL;
    char *p = static_cast<char *>(buf);
    int total = 0;
    while (total < size) {
        int got = recv(static_cast<SOCKET>(sock), p + total, size - total, 0);
        if (got == SOCKET_ERROR)
            return -WSAGetLastError();
        if (got == 0)
            break;
        total += got;
    }
    return total;
}
