// Shared helpers of the fuzz targets: they drive the real framework and
// launcher through the fake platform and check properties of what comes out.
#ifndef TESTS_FUZZ_FUZZ_SUPPORT_H
#define TESTS_FUZZ_FUZZ_SUPPORT_H

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "../fake/fake_win.h"
#include "launcher.h"

// Reports a broken property with what was seen, and stops the fuzzer.
#define FUZZ_CHECK(condition, ...)                                          \
    do {                                                                    \
        if (!(condition)) {                                                 \
            std::fprintf(stderr, "property failed: %s\n  ", #condition);    \
            std::fprintf(stderr, __VA_ARGS__);                              \
            std::fprintf(stderr, "\n");                                     \
            std::abort();                                                   \
        }                                                                   \
    } while (0)

inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool SameNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

// What C code sees of a byte string: up to its first zero.
inline std::string AsCString(const std::string& bytes) { return std::string(bytes.c_str()); }

// The double-byte code pages the fake knows, or 0.
inline int PickCodePage(FuzzedDataProvider& in)
{
    static const int pages[] = {0, 932, 936, 949, 950};
    return pages[in.ConsumeIntegralInRange<int>(0, 4)];
}

#endif
