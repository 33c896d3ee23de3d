// The executable's name from any module path, in a single- or a double-byte
// code page: the path's tail after its last separator, up to its last dot,
// holding no separator and splitting no double-byte character.
#include "fuzz_support.h"

static BOOL WINAPI SingleByte(BYTE) { return FALSE; }
static BOOL WINAPI DoubleByte(BYTE c) { return c >= 0x81 && c <= 0xFE; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const AfxLeadByteTest isLeadByte = in.ConsumeBool() ? DoubleByte : SingleByte;
    const std::string path = in.ConsumeRemainingBytesAsString().c_str();
    std::string buffer = path;
    const LPSTR title = AfxFileTitle(&buffer[0], isLeadByte);
    const size_t start = title - buffer.data(), end = start + std::strlen(title);
    FUZZ_CHECK(end <= path.size() && path.compare(start, end - start, title) == 0);
    // Character by character: a lead byte and the byte after it are one.
    bool separatorBefore = start == 0;
    for (size_t i = 0, step = 1; i < path.size(); i += step) {
        step = isLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size() ? 2 : 1;
        const bool separator = step == 1 && std::strchr("\\/:", path[i]) != NULL;
        FUZZ_CHECK((i >= start || i + step <= start) && (i >= end || i + step <= end));
        if (i + step == start) separatorBefore = separator;
        FUZZ_CHECK(i < start || (!separator && (i != end || path[i] == '.') && (i <= end || path[i] != '.')));
    }
    FUZZ_CHECK(separatorBefore);
    return 0;
}
