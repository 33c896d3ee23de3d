// CString against std::string through any run of assignments, concatenations
// (also of a string with itself), Format, string loads and GetBuffer writes:
// the same text, terminated, and a change to one copy never reaches another.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    CString strings[3];
    std::string model[3];
    while (in.remaining_bytes() > 0) {
        const int to = in.ConsumeIntegralInRange(0, 2), from = in.ConsumeIntegralInRange(0, 2);
        const std::string text = in.ConsumeRandomLengthString(600).c_str();
        const int length = in.ConsumeIntegralInRange(0, 700);
        switch (model[to].size() + model[from].size() > 1 << 16 ? -1 : in.ConsumeIntegralInRange(0, 6)) {
        case 0: strings[to] = text.c_str(), model[to] = text; break;
        case 1: strings[to] = strings[from], model[to] = model[from]; break;
        case 2: strings[to] += strings[from], model[to] += model[from]; break;
        case 3: strings[to] = strings[from] + text.c_str(), model[to] = model[from] + text; break;
        case 4:
            strings[to].Format("%s|%s", static_cast<LPCSTR>(strings[from]), static_cast<LPCSTR>(strings[to]));
            model[to] = model[from] + "|" + model[to];
            break;
        case 5:
            fake::state().strings[1] = model[to] = text;
            FUZZ_CHECK(strings[to].LoadString(1) == !text.empty());
            break;
        case 6:
            std::memset(strings[to].GetBuffer(length), 'w', length);
            strings[to].ReleaseBuffer(length);
            model[to].assign(length, 'w');
            break;
        default: strings[to].Empty(), model[to].clear();
        }
        for (int k = 0; k < 3; ++k)
            FUZZ_CHECK(std::string(strings[k], strings[k].GetLength()) == model[k] &&
                       strings[k][model[k].size()] == '\0');
    }
    return 0;
}
