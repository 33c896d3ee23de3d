// Whether a package base name can be stored in string 101.
#ifndef TOOLKIT_BASE_NAME_H
#define TOOLKIT_BASE_NAME_H

#include <string>

namespace toolkit {

// Why name cannot be the base name, in the words CMake uses for
// SETUP_PACKAGE_BASE_NAME, or "" if it can. An empty name passes only with
// allowEmpty.
std::string BaseNameProblem(const std::string& name, bool allowEmpty);

}  // namespace toolkit

#endif
