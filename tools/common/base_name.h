// Whether a package base name can be stored in string 101.
#ifndef TOOLKIT_BASE_NAME_H
#define TOOLKIT_BASE_NAME_H

#include <string>

namespace toolkit {

// Failure, in the words CMake uses for SETUP_PACKAGE_BASE_NAME, where name
// cannot be the base name. An empty name passes only with allowEmpty.
void CheckBaseName(const std::string& name, bool allowEmpty);
// Whether it can.
bool IsBaseName(const std::string& name, bool allowEmpty);

}  // namespace toolkit

#endif
