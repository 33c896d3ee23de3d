/* dump_locales: what the platform says of every locale it knows.

     dump_locales SOURCE   the table, as UTF-8 TSV on stdout, SOURCE in the last column
     dump_locales --user   the user default locale, as the launcher reads it

   The table has every locale EnumSystemLocalesEx(LOCALE_ALL) gives: locales with an
   LCID and locales known by name only, neutrals included, sorted by name (ordinal,
   ignoring case), alternate sorts (de-DE_phoneb, LCID 0x10407) included. Locales known by
   name only get a placeholder LCID from the platform (LocaleNameToLCID gives
   LOCALE_CUSTOM_UNSPECIFIED, 0x1000; GetUserDefaultLCID gives LOCALE_CUSTOM_DEFAULT, 0x0C00,
   when the user locale is one); their lcid column is empty.
   For locales with an LCID, the abbreviation and ISO name are the ones GetLocaleInfoA
   gives for that LCID, as the launcher reads them; where those differ from
   GetLocaleInfoEx's for the name, a note goes to stderr. Under Wine 8.0 they differ for
   five neutral LCIDs, which GetLocaleInfoA answers with a specific locale's data:
   0x000A es (ESN, not ESP), 0x0050 mn (MNN, not MON), 0x7C1A sr (SRM, not SRB),
   0x7C04 zh-Hant (ZHH, not CHT), and the ISO name of 0x0014 no (nb, not no).

   Exit status: 0 done, 1 a locale could not be read or a value cannot go in a TSV
   field (nothing is written then), 2 bad command line.

   Build: i686-w64-mingw32-gcc-win32 -O2 -s -mconsole -o dump_locales.exe dump_locales.c
          cl /W4 dump_locales.c */
#define _WIN32_WINNT 0x0601
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define FIELD_SIZE 256

typedef struct {
    WCHAR name[LOCALE_NAME_MAX_LENGTH];
    char* line; /* the row's other columns, UTF-8, tab-separated, with the newline */
} Row;

static Row* g_rows;
static size_t g_count, g_capacity;
static const char* g_source;
static int g_failed;

static void Fail(const WCHAR* name, const char* what, DWORD error)
{
    char utf8[LOCALE_NAME_MAX_LENGTH * 3];
    if (!WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8, sizeof(utf8), NULL, NULL)) strcpy(utf8, "?");
    fprintf(stderr, "dump_locales: %s: %s failed (error %lu)\n", utf8, what, (unsigned long)error);
    g_failed = 1;
}

/* Appends text to a growing line; a tab, CR or LF inside a value would break the
   table, so it counts as a failure rather than a silently wrong row. */
static int Append(char** line, size_t* length, const char* text, int separator, const WCHAR* name)
{
    size_t add = strlen(text);
    char* grown;
    if (strpbrk(text, "\t\r\n") != NULL) {
        Fail(name, "a value with a tab or line break", 0);
        return 0;
    }
    grown = (char*)realloc(*line, *length + add + 2);
    if (grown == NULL) {
        Fail(name, "memory", ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    *line = grown;
    memcpy(*line + *length, text, add);
    *length += add;
    (*line)[(*length)++] = (char)separator;
    (*line)[*length] = '\0';
    return 1;
}

static int ReadEx(const WCHAR* name, LCTYPE type, const char* what, char* utf8)
{
    WCHAR value[FIELD_SIZE];
    if (!GetLocaleInfoEx(name, type, value, FIELD_SIZE)) {
        Fail(name, what, GetLastError());
        return 0;
    }
    if (!WideCharToMultiByte(CP_UTF8, 0, value, -1, utf8, FIELD_SIZE * 3, NULL, NULL)) {
        Fail(name, what, GetLastError());
        return 0;
    }
    return 1;
}

static int ReadExNumber(const WCHAR* name, LCTYPE type, const char* what, DWORD* number)
{
    if (!GetLocaleInfoEx(name, type | LOCALE_RETURN_NUMBER, (LPWSTR)number, sizeof(*number) / sizeof(WCHAR))) {
        Fail(name, what, GetLastError());
        return 0;
    }
    return 1;
}

/* The launcher's own call: GetLocaleInfoA on an LCID. */
static int ReadAnsi(const WCHAR* name, LCID lcid, LCTYPE type, const char* what, char* value)
{
    int length = GetLocaleInfoA(lcid, type, value, FIELD_SIZE);
    if (length <= 0) {
        Fail(name, what, GetLastError());
        return 0;
    }
    value[length - 1] = '\0';
    return 1;
}

/* No LCID of its own: the placeholders the platform gives such locales. */
static int IsPlaceholder(LCID lcid)
{
    return lcid == 0 || lcid == LOCALE_CUSTOM_DEFAULT || lcid == LOCALE_CUSTOM_UNSPECIFIED ||
           lcid == LOCALE_CUSTOM_UI_DEFAULT;
}

static BOOL CALLBACK AddLocale(LPWSTR name, DWORD flags, LPARAM unused)
{
    char language[FIELD_SIZE * 3], country[FIELD_SIZE * 3], abbreviation[FIELD_SIZE * 3];
    char iso639[FIELD_SIZE * 3], iso639_2[FIELD_SIZE * 3], number[32];
    char ansi[FIELD_SIZE];
    char* line = NULL;
    size_t length = 0;
    DWORD codepage = 0, neutral = 0;
    LCID lcid;
    Row* row;
    int ok;
    (void)unused;

    if (name[0] == L'\0') return TRUE; /* the invariant locale: no language, no package */
    lcid = LocaleNameToLCID(name, LOCALE_ALLOW_NEUTRAL_NAMES);
    ok = ReadEx(name, LOCALE_SENGLISHLANGUAGENAME, "LOCALE_SENGLISHLANGUAGENAME", language) &
         ReadEx(name, LOCALE_SENGLISHCOUNTRYNAME, "LOCALE_SENGLISHCOUNTRYNAME", country) &
         ReadEx(name, LOCALE_SABBREVLANGNAME, "LOCALE_SABBREVLANGNAME", abbreviation) &
         ReadEx(name, LOCALE_SISO639LANGNAME, "LOCALE_SISO639LANGNAME", iso639) &
         ReadEx(name, LOCALE_SISO639LANGNAME2, "LOCALE_SISO639LANGNAME2", iso639_2) &
         ReadExNumber(name, LOCALE_IDEFAULTANSICODEPAGE, "LOCALE_IDEFAULTANSICODEPAGE", &codepage) &
         ReadExNumber(name, LOCALE_INEUTRAL, "LOCALE_INEUTRAL", &neutral);
    if (!ok) return TRUE;
    if ((neutral != 0) != ((flags & LOCALE_NEUTRALDATA) != 0)) Fail(name, "LOCALE_INEUTRAL against the enumeration", 0);

    if (IsPlaceholder(lcid)) {
        number[0] = '\0';
    } else {
        if (!ReadAnsi(name, lcid, LOCALE_SABBREVLANGNAME, "GetLocaleInfoA LOCALE_SABBREVLANGNAME", ansi)) return TRUE;
        if (strcmp(ansi, abbreviation) != 0) {
            fprintf(stderr, "dump_locales: 0x%04lX: GetLocaleInfoA abbreviation %s, GetLocaleInfoEx %s\n",
                    (unsigned long)lcid, ansi, abbreviation);
            strcpy(abbreviation, ansi);
        }
        if (!ReadAnsi(name, lcid, LOCALE_SISO639LANGNAME, "GetLocaleInfoA LOCALE_SISO639LANGNAME", ansi)) return TRUE;
        if (strcmp(ansi, iso639) != 0) {
            fprintf(stderr, "dump_locales: 0x%04lX: GetLocaleInfoA ISO name %s, GetLocaleInfoEx %s\n",
                    (unsigned long)lcid, ansi, iso639);
            strcpy(iso639, ansi);
        }
        sprintf(number, "0x%04lX", (unsigned long)lcid);
    }

    ok = Append(&line, &length, number, '\t', name) && Append(&line, &length, language, '\t', name) &&
         Append(&line, &length, country, '\t', name) && Append(&line, &length, abbreviation, '\t', name) &&
         Append(&line, &length, iso639, '\t', name) && Append(&line, &length, iso639_2, '\t', name);
    sprintf(ansi, "%lu", (unsigned long)codepage);
    ok = ok && Append(&line, &length, ansi, '\t', name) && Append(&line, &length, neutral ? "1" : "0", '\t', name) &&
         Append(&line, &length, g_source, '\n', name);
    if (!ok) {
        free(line);
        return TRUE;
    }

    if (g_count == g_capacity) {
        size_t capacity = g_capacity ? g_capacity * 2 : 1024;
        Row* grown = (Row*)realloc(g_rows, capacity * sizeof(Row));
        if (grown == NULL) {
            Fail(name, "memory", ERROR_NOT_ENOUGH_MEMORY);
            free(line);
            return FALSE;
        }
        g_rows = grown;
        g_capacity = capacity;
    }
    row = &g_rows[g_count++];
    lstrcpynW(row->name, name, LOCALE_NAME_MAX_LENGTH);
    row->line = line;
    return TRUE;
}

static int CompareRows(const void* a, const void* b)
{
    return CompareStringOrdinal(((const Row*)a)->name, -1, ((const Row*)b)->name, -1, TRUE) - CSTR_EQUAL;
}

static void Write(const char* text)
{
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)strlen(text), &written, NULL);
}

static int DumpTable(void)
{
    size_t i;
    char name[LOCALE_NAME_MAX_LENGTH * 3];
    if (!EnumSystemLocalesEx(AddLocale, LOCALE_ALL, 0, NULL)) {
        Fail(L"", "EnumSystemLocalesEx", GetLastError());
        return 1;
    }
    if (g_failed || g_count == 0) {
        if (g_count == 0) fprintf(stderr, "dump_locales: no locale enumerated\n");
        return 1;
    }
    qsort(g_rows, g_count, sizeof(Row), CompareRows);
    Write("name\tlcid\tlanguage\tcountry\tabbreviation\tiso639\tiso639_2\tansi_codepage\tneutral\tsource\n");
    for (i = 0; i < g_count; i++) {
        WideCharToMultiByte(CP_UTF8, 0, g_rows[i].name, -1, name, sizeof(name), NULL, NULL);
        Write(name);
        Write("\t");
        Write(g_rows[i].line);
    }
    return 0;
}

static void PrintUserAnsi(LCTYPE type, const char* label)
{
    char value[FIELD_SIZE];
    int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, value, FIELD_SIZE);
    if (length > 0)
        printf("GetLocaleInfoA(LOCALE_USER_DEFAULT, %s)\t%s\n", label, value);
    else
        printf("GetLocaleInfoA(LOCALE_USER_DEFAULT, %s)\tfailed (error %lu)\n", label, (unsigned long)GetLastError());
}

static int DumpUser(void)
{
    WCHAR name[LOCALE_NAME_MAX_LENGTH];
    char utf8[LOCALE_NAME_MAX_LENGTH * 3] = "";
    if (GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH))
        WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8, sizeof(utf8), NULL, NULL);
    printf("GetUserDefaultLocaleName\t%s\n", utf8);
    printf("GetUserDefaultLCID\t0x%04lX\n", (unsigned long)GetUserDefaultLCID());
    printf("GetSystemDefaultLCID\t0x%04lX\n", (unsigned long)GetSystemDefaultLCID());
    PrintUserAnsi(LOCALE_SABBREVLANGNAME, "LOCALE_SABBREVLANGNAME");
    PrintUserAnsi(LOCALE_SISO639LANGNAME, "LOCALE_SISO639LANGNAME");
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], "--user") == 0) return DumpUser();
    if (argc == 2 && argv[1][0] != '\0' && argv[1][0] != '-' && strpbrk(argv[1], "\t\r\n") == NULL) {
        g_source = argv[1];
        return DumpTable();
    }
    fprintf(stderr, "usage: dump_locales SOURCE | dump_locales --user\n");
    return 2;
}
