#include "options.h"

#include "failure.h"
#include "text.h"

namespace toolkit {

const std::string& Options::Value(const std::string& option) const
{
    static const std::string none;
    std::map<std::string, std::vector<std::string> >::const_iterator found = values.find(option);
    return found == values.end() ? none : found->second.back();
}

Options ParseOptions(const std::vector<std::string>& args, const std::set<std::string>& flags,
                     const std::set<std::string>& valued)
{
    Options options;
    bool operandsOnly = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (operandsOnly || arg.empty() || arg[0] != '-' || arg == "-") {
            if (arg.empty()) throw Failure("an empty argument (\"\") where a file name was expected");
            options.operands.push_back(arg);
        } else if (arg == "--") {
            operandsOnly = true;
        } else if (flags.count(arg)) {
            options.flags.insert(arg);
        } else if (valued.count(arg)) {
            if (i + 1 == args.size()) throw Failure(arg + " needs a value");
            options.values[arg].push_back(args[++i]);
        } else {
            throw Failure("unknown option " + Shown(arg));
        }
    }
    return options;
}

}  // namespace toolkit
