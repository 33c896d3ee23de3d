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
std::string ReadBaseName(const std::string& folderPath, const media::Folder& folder, std::string& problem)
{
    const media::Entry* setup = folder.Match("Setup.exe");
    if (!setup) {
        problem = "no Setup.exe in " + Shown(folderPath) + ": give the package base name with --base-name";
        return "";
    }
    std::string path = toolkit::JoinPath(folderPath, setup->name);
    pe::Bytes image;
    problem = toolkit::ReadFile(path, pe::kLargestImage, image);
    if (!problem.empty()) {
        problem = Shown(path) + ": " + problem;
        return "";
    }
    try {
        std::u16string name = setup::ReadBaseName(pe::ReadResources(pe::Image(image)));
        std::string utf8;
        if (!toolkit::Utf16ToUtf8(name, utf8) || !toolkit::BaseNameProblem(utf8, true).empty())
            problem = Shown(path) + ": holds a base name (\"" + Shown(name) + "\") no build of this project does";
        return utf8;
    } catch (const pe::Refusal& refusal) {
        problem = Shown(path) + ": " + refusal.what();
        return "";
    }
}

// The locales a --locale value names: a locale name, any letter case, or an LCID.
bool Choose(const media::Report& report, const std::string& wanted, std::vector<const media::Outcome*>& chosen)
{
    char* end = nullptr;
    long lcid = std::strtol(wanted.c_str(), &end, 0);
    bool number = !wanted.empty() && *end == '\0' && wanted[0] >= '0' && wanted[0] <= '9';
    bool any = false;
    for (const media::Outcome& o : report.outcomes)
        if (number ? o.locale->lcid == lcid : package_rules::EqualNoCase(o.locale->name, wanted.c_str())) {
            chosen.push_back(&o);
            any = true;
        }
    return any;
}

}  // namespace

int toolkit::ToolMain(const std::vector<std::string>& args)
{
    Options options;
    std::string problem = ParseOptions(args, {"--json", "--locale-table", "-h", "--help"},
                                       {"--base-name", "--locale"}, options);
    if (!problem.empty()) return Usage(problem);
    if (options.Has("-h") || options.Has("--help")) {
        Print(kUsage);
        return 0;
    }
    if (options.values.count("--base-name") && options.values.at("--base-name").size() > 1)
        return Usage("--base-name is given more than once");
    std::string baseName = options.Value("--base-name");
    if (options.Has("--base-name")) {
        problem = toolkit::BaseNameProblem(baseName, true);
        if (!problem.empty()) return Refuse(problem);
    }
    if (options.Has("--locale-table")) {
        if (!options.operands.empty() || options.Has("--locale") || options.Has("--json"))
            return Usage("--locale-table takes no folder and no other option but --base-name");
        Print(media::RenderLocaleTable(options.Has("--base-name") ? baseName : "<base>"));
        return OutputWritten() ? 0 : 2;
    }
    if (options.operands.size() != 1)
        return Usage(options.operands.empty() ? "no MEDIA_DIR given" : "more than one MEDIA_DIR given");

    const std::string& path = options.operands[0];
    std::vector<FolderEntry> entries;
    problem = ListFolder(path, entries);
    if (!problem.empty()) return Refuse(Shown(path) + ": " + problem);
    media::Folder folder(entries);
    if (!options.Has("--base-name")) {
        baseName = ReadBaseName(path, folder, problem);
        if (!problem.empty()) return Refuse(problem);
    }
    media::Report report = media::Evaluate(baseName, folder);
    std::vector<const media::Outcome*> chosen;
    if (options.values.count("--locale"))
        for (const std::string& wanted : options.values.at("--locale"))
            if (!Choose(report, wanted, chosen))
                return Refuse("unknown locale " + Shown(wanted) +
                              ": give a name such as de-AT or an LCID such as 0x0c07 (docs/locales.md lists them)");
    Print(options.Has("--json") ? media::RenderJson(report, chosen) : media::RenderText(report, chosen));
    if (!OutputWritten()) return 2;
    return report.HasErrors() ? 1 : 0;
}
