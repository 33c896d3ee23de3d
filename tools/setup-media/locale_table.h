// Every locale Windows knows, with the two values the launcher reads from the
// user's default locale: generated from locales/locales.tsv.
#ifndef MEDIA_LOCALE_TABLE_H
#define MEDIA_LOCALE_TABLE_H

#include <cstddef>

namespace media {

const long kNoLcid = -1;  // known by name only: Windows gives such a user locale 0x0C00

struct Locale {
    const char* name;  // de-AT
    long lcid;
    const char* language;      // German, in English
    const char* country;       // Austria
    const char* abbreviation;  // LOCALE_SABBREVLANGNAME: DEA
    const char* iso639;        // LOCALE_SISO639LANGNAME: de
    const char* iso639_2;      // LOCALE_SISO639LANGNAME2: deu
    unsigned codePage;         // the ANSI code page, 0 for Unicode-only locales
    bool neutral;              // a language without a region
};

extern const Locale kLocales[];
extern const size_t kLocaleCount;

}  // namespace media

#endif
