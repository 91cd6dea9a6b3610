/* netxfer.dll: helpers for moving documents over TCP (Windows Sockets).
   A socket is passed as uintptr_t (the size of SOCKET), so callers need not
   include winsock2.h. */
#ifndef NETXFER_H
#define NETXFER_H
#include <stdint.h>
#include "qmexport.h"

#define NETXFER_OK          0
#define NETXFER_BAD_URL   (-1)
#define NETXFER_TOO_SMALL (-2)

/* Splits "http://host[:port][/path]" (scheme case-insensitive); the port
   defaults to 80 and the path to "/". */
QM_API int NetXferParseUrl(const char *url, char *host, int hostSize,
                           unsigned short *port, char *path, int pathSize);
/* CRC-32 (IEEE) continued from crc; start with 0. */
QM_API unsigned long NetXferCrc32(unsigned long crc, const void *data, unsigned long size);
/* Starts and ends Windows Sockets 2.2 for the caller; 0 or a WSA error. */
QM_API int NetXferStartup(void);
QM_API void NetXferCleanup(void);
/* Sends all size bytes; 0 or a WSA error code. */
QM_API int NetXferSendAll(uintptr_t sock, const void *data, int size);
/* Receives until size bytes arrived or the peer closed; returns the byte
   count, or minus the WSA error code. */
QM_API int NetXferRecvAll(uintptr_t sock, void *buf, int size);

#endif
