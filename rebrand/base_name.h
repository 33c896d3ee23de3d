// Whether a package base name can be stored in string 101.
#ifndef REBRAND_BASE_NAME_H
#define REBRAND_BASE_NAME_H

#include <string>

namespace rebrand {

// Why name cannot be the base name, in the words CMake uses for
// SETUP_PACKAGE_BASE_NAME, or "" if it can. An empty name passes only with
// allowEmpty.
std::string BaseNameProblem(const std::string& name, bool allowEmpty);

}  // namespace rebrand

#endif
