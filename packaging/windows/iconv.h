/* The part of iconv that FreeXL uses, over the Windows code-page functions:
 * MinGW-w64 has no iconv of its own. */
#ifndef VELMORA_ICONV_H
#define VELMORA_ICONV_H
#include <stddef.h>
#ifdef __cplusplus
extern "C" {
#endif
typedef void* iconv_t;
iconv_t iconv_open(const char* to, const char* from);
size_t iconv(iconv_t cd, char** in, size_t* inLeft, char** out, size_t* outLeft);
int iconv_close(iconv_t cd);
#ifdef __cplusplus
}
#endif
#endif
