// setup-media: which package every Windows locale gets from a media folder,
// by the launcher's own selection rules and lookup order.
#include <cstdlib>
#include <string>

#include "base_name.h"
#include "options.h"
#include "report.h"
#include "setup_resources.h"
#include "system.h"
#include "text.h"

namespace {

using toolkit::PrintError;
using toolkit::Shown;
using toolkit::Failure;

const char kUsage[] =
    "usage: setup-media MEDIA_DIR [--base-name NAME] [--locale NAME]... [--json]\n"
    "       setup-media --locale-table [--base-name NAME]\n"
    "\n"
    "For every Windows locale, which package Setup.exe in MEDIA_DIR installs (the\n"
    "base name comes from that Setup.exe, or from --base-name), and what to do about\n"
    "what may go wrong. --locale (a name such as de-AT, or an LCID such as 0x0c07;\n"
    "repeatable) shows only those locales. --json prints the same for scripts.\n"
    "--locale-table prints what every locale looks for, as Markdown.\n"
    "Exit status: 0 no error found, 1 an error found, 2 the command line, the folder\n"
    "or Setup.exe could not be used.\n";

int Usage(const std::string& problem)
{
    PrintError("setup-media: " + problem + "\n" + kUsage);
    return 2;
}

int Refuse(const std::string& problem)
{
    PrintError("setup-media: " + problem + "\n");
    return 2;
}

// The base name held by the Setup.exe of the folder (named in any letter case).
std::string ReadBaseName(const std::string& folderPath, const media::Folder& folder)
{
    const media::Entry* setup = folder.Match("Setup.exe");
    if (!setup) throw Failure("no Setup.exe in " + Shown(folderPath) + ": give the package base name with --base-name");
    std::string path = toolkit::JoinPath(folderPath, setup->name);
    std::u16string name = toolkit::Concerning(Shown(path), [&] {
        return setup::ReadBaseName(pe::ReadResources(pe::Image(toolkit::ReadFile(path, pe::kLargestImage))));
    });
    if (!toolkit::IsUtf16(name) || !toolkit::IsBaseName(toolkit::Utf16ToUtf8(name), true))
        throw Failure(Shown(path) + ": holds a base name (\"" + Shown(name) + "\") no build of this project does");
    return toolkit::Utf16ToUtf8(name);
}

// The locales a --locale value names: a locale name, any letter case, or an LCID.
std::vector<const media::Outcome*> Choose(const media::Report& report, const std::string& wanted)
{
    char* end = nullptr;
    long lcid = std::strtol(wanted.c_str(), &end, 0);
    bool number = !wanted.empty() && *end == '\0' && wanted[0] >= '0' && wanted[0] <= '9';
    std::vector<const media::Outcome*> chosen;
    for (const media::Outcome& o : report.outcomes)
        if (number ? o.locale->lcid == lcid : package_rules::EqualNoCase(o.locale->name, wanted.c_str()))
            chosen.push_back(&o);
    if (chosen.empty())
        throw Failure("unknown locale " + Shown(wanted) +
                      ": give a name such as de-AT or an LCID such as 0x0c07 (docs/locales.md lists them)");
    return chosen;
}

// What the options allow together; before it, the base name is checked.
void CheckCombination(const toolkit::Options& options)
{
    if (options.Has("--locale-table")) {
        if (!options.operands.empty() || options.Has("--locale") || options.Has("--json"))
            throw Failure("--locale-table takes no folder and no other option but --base-name");
    } else if (options.operands.size() != 1) {
        throw Failure(options.operands.empty() ? "no MEDIA_DIR given" : "more than one MEDIA_DIR given");
    }
}

// Prints the locale table or the folder's report: the exit status.
int Run(const toolkit::Options& options)
{
    std::string baseName = options.Value("--base-name");
    if (options.Has("--locale-table")) {
        toolkit::Print(media::RenderLocaleTable(options.Has("--base-name") ? baseName : "<base>"));
        return toolkit::OutputWritten() ? 0 : 2;
    }
    const std::string& path = options.operands[0];
    media::Folder folder(toolkit::Concerning(Shown(path), [&] { return toolkit::ListFolder(path); }));
    if (!options.Has("--base-name")) baseName = ReadBaseName(path, folder);
    media::Report report = media::Evaluate(baseName, folder);
    std::vector<const media::Outcome*> chosen;
    if (options.values.count("--locale"))
        for (const std::string& wanted : options.values.at("--locale")) {
            std::vector<const media::Outcome*> named = Choose(report, wanted);
            chosen.insert(chosen.end(), named.begin(), named.end());
        }
    toolkit::Print(options.Has("--json") ? media::RenderJson(report, chosen) : media::RenderText(report, chosen));
    if (!toolkit::OutputWritten()) return 2;
    return report.HasErrors() ? 1 : 0;
}

}  // namespace

// A mistake in the command line's shape gets the usage; any other failure,
// a bad base name first, only its message.
int toolkit::ToolMain(const std::vector<std::string>& args)
{
    Options options;
    try {
        options = ParseOptions(args, {"--json", "--locale-table", "-h", "--help"}, {"--base-name", "--locale"});
    } catch (const Failure& problem) {
        return Usage(problem.what());
    }
    if (options.Has("-h") || options.Has("--help")) {
        Print(kUsage);
        return 0;
    }
    if (options.values.count("--base-name") && options.values.at("--base-name").size() > 1)
        return Usage("--base-name is given more than once");
    try {
        if (options.Has("--base-name")) CheckBaseName(options.Value("--base-name"), true);
    } catch (const Failure& failure) {
        return Refuse(failure.what());
    }
    try {
        CheckCombination(options);
    } catch (const Failure& problem) {
        return Usage(problem.what());
    }
    try {
        return Run(options);
    } catch (const Failure& failure) {
        return Refuse(failure.what());
    }
}
