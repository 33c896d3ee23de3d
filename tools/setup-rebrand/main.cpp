// setup-rebrand: shows or sets the package base name, the icon, the version
// strings and the execution level of a built Setup.exe.
#include <cstdio>
#include <string>

#include "base_name.h"
#include "icon_file.h"
#include "options.h"
#include "output.h"
#include "resource_writer.h"
#include "setup_resources.h"
#include "system.h"
#include "text.h"
#include "version_writer.h"

namespace {

using toolkit::Print;
using toolkit::PrintError;
using toolkit::Shown;
using toolkit::Failure;

const char kUsage[] =
    "usage: setup-rebrand SETUP.EXE --show\n"
    "       setup-rebrand SETUP.EXE [--base-name NAME [--allow-empty]] [--icon FILE.ico]\n"
    "                     [--company TEXT] [--product TEXT] [--description TEXT] [--copyright TEXT]\n"
    "                     [--file-version N.N.N.N] [--product-version N.N.N.N]\n"
    "                     [--execution-level asInvoker|highestAvailable|requireAdministrator]\n"
    "                     -o OUTPUT.EXE\n"
    "\n"
    "--show prints what the options set: the package base name (string 101), the\n"
    "execution level, the icon's images and the version block's fields.\n"
    "The other options write a copy with those changed, everything else as it was;\n"
    "OUTPUT.EXE may be SETUP.EXE itself. Sign the result afterwards: a signed file\n"
    "is refused.\n";

// The version block strings the options set.
const struct {
    const char* option;
    const char16_t* key;
} kVersionStrings[] = {
    {"--company", u"CompanyName"},
    {"--product", u"ProductName"},
    {"--description", u"FileDescription"},
    {"--copyright", u"LegalCopyright"},
};

const char* const kExecutionLevels[] = {"asInvoker", "highestAvailable", "requireAdministrator"};

int Usage(const std::string& problem)
{
    PrintError("setup-rebrand: " + problem + "\n" + kUsage);
    return 2;
}

std::string VersionText(const uint16_t (&version)[4])
{
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." + std::to_string(version[2]) + "." +
           std::to_string(version[3]);
}

// Text for the version block, which Explorer shows on one line.
std::u16string BlockText(const std::string& option, const std::string& text)
{
    if (!toolkit::IsUtf8(text)) throw Failure(option + " " + Shown(text) + " is not valid UTF-8");
    if (Shown(text) != text) throw Failure(option + " \"" + Shown(text) + "\" holds a control or format character");
    // The block stores UTF-16: a character past U+FFFF (an emoji) takes two units.
    std::u16string wide = toolkit::Utf8ToUtf16(text);
    if (wide.size() > 1024) throw Failure(option + " is longer than 1024 UTF-16 units (a character past U+FFFF takes two)");
    return wide;
}

// The changes the options ask for.
rebrand::Changes ReadChanges(const toolkit::Options& options)
{
    rebrand::Changes changes;
    if (options.Has("--base-name")) {
        changes.setBaseName = true;
        changes.baseName = options.Value("--base-name");
        toolkit::CheckBaseName(changes.baseName, options.Has("--allow-empty"));
    }
    for (const auto& field : kVersionStrings)
        if (options.Has(field.option))
            changes.versionStrings.push_back(
                std::make_pair(std::u16string(field.key), BlockText(field.option, options.Value(field.option))));
    const struct {
        const char* option;
        const char16_t* key;
        bool& set;
        uint16_t (&version)[4];
    } versions[] = {{"--file-version", u"FileVersion", changes.setFileVersion, changes.fileVersion},
                    {"--product-version", u"ProductVersion", changes.setProductVersion, changes.productVersion}};
    for (const auto& field : versions) {
        if (!options.Has(field.option)) continue;
        const std::string& text = options.Value(field.option);
        rebrand::ParseVersionText(field.option, text, field.version);
        field.set = true;
        changes.versionStrings.push_back(std::make_pair(std::u16string(field.key), std::u16string(text.begin(), text.end())));
    }
    if (options.Has("--execution-level")) {
        const std::string& level = options.Value("--execution-level");
        for (const char* known : kExecutionLevels)
            if (level == known) changes.executionLevel = level;
        if (changes.executionLevel.empty())
            throw Failure("--execution-level \"" + Shown(level) + "\" is none of asInvoker, highestAvailable, "
                          "requireAdministrator");
    }
    return changes;
}

// Every field the options set, one "option: value" line each.
void Show(const pe::Bytes& image)
{
    pe::Image im(image);
    pe::Tree tree = pe::ReadResources(im);
    std::string text = "base-name: " + Shown(setup::ReadBaseName(tree)) + "\n";
    std::string level = setup::ReadExecutionLevel(tree);
    text += "execution-level: " + (level.empty() ? "(no manifest)" : Shown(level)) + "\n";
    std::string icons;
    for (const setup::IconImage& icon : setup::ReadIcons(tree))
        icons += (icons.empty() ? "" : ", ") + std::to_string(icon.width) + "x" + std::to_string(icon.height) + " " +
                 std::to_string(icon.bits) + "-bit" + (icon.png ? " PNG" : "");
    text += "icon: " + (icons.empty() ? "(none)" : icons) + "\n";
    if (const pe::Bytes* block = setup::FindVersionBlock(tree)) {
        setup::VersionInfo info = setup::ReadVersionInfo(setup::ParseVersion(*block));
        for (const auto& field : kVersionStrings) {
            std::u16string value;
            for (const auto& s : info.strings)
                if (s.first == field.key) value = s.second;
            text += std::string(field.option + 2) + ": " + Shown(value) + "\n";
        }
        for (const auto& s : info.strings) {
            if (s.first == u"FileVersion") text += "file-version: " + VersionText(info.fileVersion) + " \"" + Shown(s.second) + "\"\n";
            if (s.first == u"ProductVersion")
                text += "product-version: " + VersionText(info.productVersion) + " \"" + Shown(s.second) + "\"\n";
        }
    }
    Print(text);
}

// The command line, checked for what the options allow together.
toolkit::Options CommandLine(const std::vector<std::string>& args)
{
    std::set<std::string> flags = {"--show", "--allow-empty", "-h", "--help"};
    std::set<std::string> valued = {"--base-name", "--icon", "--execution-level", "--file-version",
                                    "--product-version", "-o"};
    for (const auto& field : kVersionStrings) valued.insert(field.option);
    toolkit::Options options = toolkit::ParseOptions(args, flags, valued);
    if (options.Has("-h") || options.Has("--help")) return options;
    for (const auto& option : options.values)
        if (option.second.size() > 1) throw Failure(option.first + " is given more than once");
    for (const char* file : {"-o", "--icon"})
        if (options.Has(file) && options.Value(file).empty()) throw Failure(std::string(file) + " needs a file name, not \"\"");
    bool show = options.Has("--show"), output = options.Has("-o");
    bool changes = options.values.size() > (output ? 1u : 0u);
    if (options.operands.size() != 1)
        throw Failure(options.operands.empty() ? "no SETUP.EXE given" : "more than one SETUP.EXE given");
    if (show && (changes || output)) throw Failure("--show changes nothing: give it alone");
    if (!show && !changes) throw Failure("nothing to do: give --show, or what to change and -o OUTPUT.EXE");
    if (changes && !output) throw Failure("where to: -o OUTPUT.EXE (which may be SETUP.EXE itself)");
    if (options.Has("--allow-empty") && !options.Has("--base-name")) throw Failure("--allow-empty goes with --base-name");
    return options;
}

// Shows the input's fields, or writes the rebranded copy: the exit status.
int Run(const toolkit::Options& options)
{
    rebrand::Changes wanted = ReadChanges(options);
    const std::string& input = options.operands[0];
    const pe::Bytes image = toolkit::Concerning(Shown(input), [&] { return toolkit::ReadFile(input, pe::kLargestImage); });
    if (options.Has("--icon")) {
        const std::string& icon = options.Value("--icon");
        wanted.icon = toolkit::Concerning(
            Shown(icon), [&] { return rebrand::ReadIconFile(toolkit::ReadFile(icon, pe::kLargestImage)); });
        wanted.setIcon = true;
    }
    if (options.Has("--show")) {
        toolkit::Concerning(Shown(input), [&] { Show(image); });
        return toolkit::OutputWritten() ? 0 : 1;
    }
    const pe::Bytes out = toolkit::Concerning(Shown(input), [&] { return rebrand::Rebrand(image, wanted); });
    toolkit::ReplaceFile(options.Value("-o"), out, input);
    return 0;
}

}  // namespace

int toolkit::ToolMain(const std::vector<std::string>& args)
{
    Options options;
    try {
        options = CommandLine(args);
    } catch (const Failure& problem) {
        return Usage(problem.what());
    }
    if (options.Has("-h") || options.Has("--help")) {
        Print(kUsage);
        return 0;
    }
    try {
        return Run(options);
    } catch (const Failure& failure) {
        PrintError("setup-rebrand: " + std::string(failure.what()) + "\n");
        return 1;
    }
}
