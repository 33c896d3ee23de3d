// Executable and application names from arbitrary module paths, under the
// double-byte code pages.
#include "fuzz_support.h"

#include <vector>

namespace {

class Probe : public CWinApp {
public:
    virtual BOOL InitInstance() { return FALSE; }
};

bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    fake::reset();
    fake::World& world = fake::world();
    world.codePage = PickCodePage(in);
    std::string title = in.ConsumeBool() ? in.ConsumeRandomLengthString(400) : std::string();
    if (!title.empty()) world.strings[0xE000] = title;
    world.modulePath = in.ConsumeRemainingBytesAsString();

    Probe app;
    int exitCode = AfxWinMain(reinterpret_cast<HINSTANCE>(0x400000), NULL, const_cast<LPSTR>(""), 1);
    FUZZ_CHECK(exitCode == 0, "exit code %d", exitCode);

    // What GetModuleFileNameA left: at most 259 bytes, up to a zero.
    std::string path = AsCString(world.modulePath.substr(0, MAX_PATH - 1));
    std::string exe(app.GetExeName());

    // Walk the path by characters: the name starts after the last real
    // separator and ends at the last real dot after it.
    size_t start = 0;
    std::vector<size_t> starts;
    for (size_t k = 0; k < path.size(); ++k) {
        starts.push_back(k);
        if (hostwin::IsDBCSLeadByte(static_cast<BYTE>(path[k]))) {
            if (k + 1 >= path.size()) break;
            ++k;
        } else if (IsSeparator(path[k])) {
            start = k + 1;
        }
    }
    size_t end = path.size();
    for (size_t k : starts)
        if (k >= start && path[k] == '.') end = k;
    std::string expected = path.substr(start, end - start);
    FUZZ_CHECK(exe == expected, "path \"%s\" (cp %d): exe \"%s\", expected \"%s\"", path.c_str(), world.codePage,
               exe.c_str(), expected.c_str());

    std::string shownTitle = AsCString(title.substr(0, 255));
    std::string appName(app.GetAppName());
    FUZZ_CHECK(appName == (shownTitle.empty() ? exe : shownTitle), "app name \"%s\"", appName.c_str());
    return 0;
}
