/* The ANSI code page's name, as FreeXL asks for it. */
#ifndef VELMORA_LOCALCHARSET_H
#define VELMORA_LOCALCHARSET_H
#ifdef __cplusplus
extern "C" {
#endif
const char* locale_charset(void);
#ifdef __cplusplus
}
#endif
#endif
