/* dump_upcase: how the platform upper-cases each UTF-16 code unit when it compares and orders
   file names (RtlUpcaseUnicodeChar, the table NTFS and Wine's directory search go by).

     dump_upcase    every code unit that upper-cases to another, as "code<TAB>upper" lines
                    in hexadecimal, four digits, after the header line "code<TAB>upper"

   Build: i686-w64-mingw32-gcc-win32 -O2 -s -mconsole -o dump_upcase.exe dump_upcase.c -lntdll */
#include <windows.h>
#include <stdio.h>

NTSYSAPI WCHAR NTAPI RtlUpcaseUnicodeChar(WCHAR c);

int main(void)
{
    unsigned c;
    printf("code\tupper\n");
    for (c = 0; c <= 0xFFFF; ++c) {
        WCHAR upper = RtlUpcaseUnicodeChar((WCHAR)c);
        if (upper != c) printf("%04X\t%04X\n", c, (unsigned)upper);
    }
    return fflush(stdout) == 0 ? 0 : 1;
}
