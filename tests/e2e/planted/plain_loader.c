/* The control for the planting test: a program that loads msi.dll by name,
   as a load-time import would. Under the test's settings it must pick up
   the planted copy, or the planting test proves nothing. */
#include <windows.h>

int main(void)
{
    return LoadLibraryA("msi.dll") != NULL ? 0 : 1;
}
