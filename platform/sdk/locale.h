// The platform's locale services: string comparison and locale information, answered from
// the process locale as the C library resolves it from the environment (LC_ALL, then the
// category's own variable, then LANG). Every call reads the environment afresh, so a
// program (or test) that changes those variables sees the change at the next call.
//
// Categories used: LC_CTYPE (case folding and the character set of locale texts),
// LC_COLLATE (order), LC_NUMERIC (separators), LC_TELEPHONE (country code). A category
// whose named locale is not installed answers as the "C" locale does.
#pragma once

#include "platform/sdk/wintypes.h"

// Locale identifiers. Linux has no machine locale apart from the process environment, so
// the system default answers as the user default does.
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

// Locale information kinds. Under the "C" locale, LOCALE_ICOUNTRY is the empty text (the
// locale names no country), LOCALE_SDECIMAL is "." and LOCALE_STHOUSAND the empty text.
constexpr LCTYPE LOCALE_ICOUNTRY = 0x00000005;        // international dialling code, e.g. "49"
constexpr LCTYPE LOCALE_SDECIMAL = 0x0000000E;        // decimal separator
constexpr LCTYPE LOCALE_STHOUSAND = 0x0000000F;       // thousands separator
constexpr LCTYPE LOCALE_NOUSEROVERRIDE = 0x80000000;  // accepted; there are no overrides

// Comparison flags. SORT_STRINGSORT is accepted and changes nothing: the C library's
// collation already orders punctuation as characters.
constexpr DWORD NORM_IGNORECASE = 0x00000001;
constexpr DWORD SORT_STRINGSORT = 0x00001000;

// Results of CompareStringW; 0 means the arguments were invalid.
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

// Compares two strings by the collation of `locale`. A length of -1 means the string is
// NUL-terminated; a null string is accepted only with length 0. With NORM_IGNORECASE each
// character is folded to lower case by the locale's character classes before collating.
// Answers 0 for an unknown locale, unknown flags or invalid strings.
int CompareStringW(LCID locale, DWORD flags, LPCWSTR string1, int length1, LPCWSTR string2,
                   int length2);

// Copies the information `type` of `locale` into `data`, NUL-terminated, and answers the
// number of characters written including the NUL. With `capacity` 0 it answers the length
// needed (including the NUL) and leaves `data` alone. Answers 0 when the locale or type is
// unknown or the buffer is too small.
int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int capacity);
