/* Conversions between the code pages Windows knows, through UTF-16 with
 * MultiByteToWideChar and WideCharToMultiByte. Each call converts its whole
 * input or nothing: what FreeXL hands over is always one whole string. */
#include "iconv.h"
#include "localcharset.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#define UTF16LE 1200u

typedef struct {
    unsigned from, to;
} Converter;

static int sameName(const char *a, const char *b)
{
    for (; *a && *b; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'a' && x <= 'z')
            x = (char)(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = (char)(y - 'a' + 'A');
        if (x != y)
            return 0;
    }
    return *a == *b;
}

static unsigned codePage(const char *name)
{
    static const struct {
        const char *name;
        unsigned page;
    } named[] = {{"UTF-8", CP_UTF8}, {"UTF8", CP_UTF8}, {"UTF-16LE", UTF16LE}, {"ASCII", 20127},
        {"US-ASCII", 20127}, {"GBK", 936}, {"GB2312", 936}, {"GB18030", 54936}, {"BIG5", 950},
        {"MACROMAN", 10000}, {"MACINTOSH", 10000}, {"ISO-8859-1", 28591}, {"LATIN1", 28591}};
    for (size_t i = 0; i < sizeof named / sizeof named[0]; ++i)
        if (sameName(name, named[i].name))
            return named[i].page;
    const char *digits = NULL;
    if ((name[0] == 'C' || name[0] == 'c') && (name[1] == 'P' || name[1] == 'p'))
        digits = name + 2;
    else if (strncmp(name, "WINDOWS-", 8) == 0 || strncmp(name, "windows-", 8) == 0)
        digits = name + 8;
    if (!digits || !*digits)
        return 0;
    char *end = NULL;
    unsigned long page = strtoul(digits, &end, 10);
    if (*end || page == 0 || page > 65535)
        return 0;
    if (page != UTF16LE && !IsValidCodePage((UINT)page))
        return 0;
    return (unsigned)page;
}

iconv_t iconv_open(const char *to, const char *from)
{
    unsigned t = codePage(to), f = codePage(from);
    if (!t || !f) {
        errno = EINVAL;
        return (iconv_t)-1;
    }
    Converter *c = malloc(sizeof *c);
    if (!c) {
        errno = ENOMEM;
        return (iconv_t)-1;
    }
    c->from = f;
    c->to = t;
    return c;
}

int iconv_close(iconv_t cd)
{
    free(cd);
    return 0;
}

size_t iconv(iconv_t cd, char **in, size_t *inLeft, char **out, size_t *outLeft)
{
    const Converter *c = cd;
    if (!in || !*in || !inLeft || *inLeft == 0)
        return 0; /* no shift states to reset */
    if (*inLeft > 0x3fffffff) {
        errno = EINVAL;
        return (size_t)-1;
    }
    int wideCount;
    wchar_t *wide;
    if (c->from == UTF16LE) {
        if (*inLeft % 2) {
            errno = EINVAL;
            return (size_t)-1;
        }
        wideCount = (int)(*inLeft / 2);
        wide = malloc((size_t)wideCount * sizeof(wchar_t));
        if (!wide) {
            errno = ENOMEM;
            return (size_t)-1;
        }
        memcpy(wide, *in, *inLeft);
    } else {
        DWORD flags = c->from == CP_UTF8 || c->from == 54936 ? MB_ERR_INVALID_CHARS : 0;
        wideCount = MultiByteToWideChar(c->from, flags, *in, (int)*inLeft, NULL, 0);
        if (wideCount <= 0) {
            errno = EILSEQ;
            return (size_t)-1;
        }
        wide = malloc((size_t)wideCount * sizeof(wchar_t));
        if (!wide) {
            errno = ENOMEM;
            return (size_t)-1;
        }
        MultiByteToWideChar(c->from, flags, *in, (int)*inLeft, wide, wideCount);
    }
    size_t written;
    if (c->to == UTF16LE) {
        written = (size_t)wideCount * 2;
        if (written > *outLeft) {
            free(wide);
            errno = E2BIG;
            return (size_t)-1;
        }
        memcpy(*out, wide, written);
    } else {
        int n = WideCharToMultiByte(c->to, 0, wide, wideCount, NULL, 0, NULL, NULL);
        if (n <= 0) {
            free(wide);
            errno = EILSEQ;
            return (size_t)-1;
        }
        if ((size_t)n > *outLeft) {
            free(wide);
            errno = E2BIG;
            return (size_t)-1;
        }
        WideCharToMultiByte(c->to, 0, wide, wideCount, *out, n, NULL, NULL);
        written = (size_t)n;
    }
    free(wide);
    *in += *inLeft;
    *inLeft = 0;
    *out += written;
    *outLeft -= written;
    return 0;
}

const char *locale_charset(void)
{
    static char name[16];
    snprintf(name, sizeof name, "CP%u", GetACP());
    return name;
}
