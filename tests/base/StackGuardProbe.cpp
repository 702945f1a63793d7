// Writes a number of bytes into an 8-byte buffer on its stack, as a fault in the tool could:
//   StackGuardProbe <bytes>
// prints "returned" when the frame's guard let the function return.
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace
{

// Not inlined: the guard is checked when this frame returns, before anything is printed.
__attribute__((noinline)) int Fill(size_t bytes)
{
    char buffer[8];
    memset(buffer, 'x', bytes);
    return buffer[0];
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const size_t bytes = argc > 1 ? wcstoul(argv[1], nullptr, 10) : 0;
    const int first = Fill(bytes);
    printf("returned %d\n", first);
    return 0;
}
