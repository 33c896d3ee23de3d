// The publisher tools' command lines: options (--name, --name VALUE) and
// operands, in any order; "--" makes everything after it an operand.
#ifndef TOOLKIT_OPTIONS_H
#define TOOLKIT_OPTIONS_H

#include <map>
#include <set>
#include <string>
#include <vector>

namespace toolkit {

struct Options {
    std::set<std::string> flags;                              // options given without a value
    std::map<std::string, std::vector<std::string> > values;  // each option's values, in order
    std::vector<std::string> operands;

    bool Has(const std::string& option) const { return flags.count(option) || values.count(option); }
    // The value of an option given at most once ("" when not given).
    const std::string& Value(const std::string& option) const;
};

// Parses args against the flags and the options that take a value; Failure
// says what is wrong with the command line.
Options ParseOptions(const std::vector<std::string>& args, const std::set<std::string>& flags,
                     const std::set<std::string>& valued);

}  // namespace toolkit

#endif
