// CString against std::string: assignment, concatenation (also of a string
// with itself), copies that must not share changes, Format with "%s" of any
// length, LoadString of strings of any length, GetBuffer/ReleaseBuffer.
#include "fuzz_support.h"

#include <vector>

namespace {

const int kSlots = 4;
// Repeated self-concatenation doubles a string each time: stop growing there.
const size_t kMaxLength = 1 << 16;

void Check(const CString (&strings)[kSlots], const std::string (&model)[kSlots], int op)
{
    for (int k = 0; k < kSlots; ++k) {
        std::string actual(static_cast<LPCSTR>(strings[k]), strings[k].GetLength());
        FUZZ_CHECK(actual == model[k] && strings[k].GetLength() == static_cast<int>(model[k].size()) &&
                       static_cast<LPCSTR>(strings[k])[model[k].size()] == '\0',
                   "after op %d slot %d: \"%s\" (%d), expected \"%s\"", op, k, actual.c_str(),
                   strings[k].GetLength(), model[k].c_str());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    fake::reset();
    CString strings[kSlots];
    std::string model[kSlots];
    while (in.remaining_bytes() > 0) {
        int op = in.ConsumeIntegralInRange<int>(0, 8);
        int to = in.ConsumeIntegralInRange<int>(0, kSlots - 1);
        int from = in.ConsumeIntegralInRange<int>(0, kSlots - 1);
        if (model[to].size() + model[from].size() > kMaxLength) op = 8;  // Empty
        switch (op) {
        case 0: {
            std::string text = AsCString(in.ConsumeRandomLengthString(600));
            strings[to] = text.c_str();
            model[to] = text;
            break;
        }
        case 1:
            strings[to] = strings[from];
            model[to] = model[from];
            break;
        case 2: {
            std::string text = AsCString(in.ConsumeRandomLengthString(600));
            strings[to] += text.c_str();
            model[to] += text;
            break;
        }
        case 3:
            strings[to] += strings[from];
            model[to] += model[from];
            break;
        case 4:
            strings[to] = strings[to] + strings[from];
            model[to] = model[to] + model[from];
            break;
        case 5: {
            // Arguments may be the destination itself.
            strings[to].Format("[%s|%s]", static_cast<LPCSTR>(strings[from]), static_cast<LPCSTR>(strings[to]));
            model[to] = "[" + model[from] + "|" + model[to] + "]";
            break;
        }
        case 6: {
            size_t length = in.ConsumeIntegralInRange<size_t>(0, 3000);
            std::string text(length, static_cast<char>(in.ConsumeIntegralInRange<int>('a', 'z')));
            bool present = in.ConsumeBool();
            if (present) fake::world().strings[101] = text;
            BOOL loaded = strings[to].LoadString(101);
            model[to] = present ? text : std::string();
            FUZZ_CHECK((loaded != FALSE) == !model[to].empty(), "LoadString of %zu characters: %d", length, loaded);
            fake::world().strings.erase(101);
            break;
        }
        case 7: {
            // Write through GetBuffer, then release at a given length.
            int room = in.ConsumeIntegralInRange<int>(0, 700);
            LPSTR buffer = strings[to].GetBuffer(room);
            int capacity = room > static_cast<int>(model[to].size()) ? room : static_cast<int>(model[to].size());
            int length = in.ConsumeIntegralInRange<int>(0, capacity);
            for (int k = 0; k < length; ++k) buffer[k] = 'w';
            strings[to].ReleaseBuffer(length);
            model[to] = std::string(length, 'w');
            break;
        }
        default:
            strings[to].Empty();
            model[to].clear();
            break;
        }
        Check(strings, model, op);
    }
    return 0;
}
