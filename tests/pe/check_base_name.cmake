# cmake -DNAME=<base name> [-DALLOW_EMPTY=ON] -P check_base_name.cmake
# Runs the configure-time check of the package base name alone.
cmake_policy(SET CMP0077 NEW)  # let the variable below stand for the option
set(SETUP_ALLOW_EMPTY_BASE_NAME ${ALLOW_EMPTY})
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/PackageBaseName.cmake)
setup_check_package_base_name("${NAME}")
message(STATUS "accepted \"${NAME}\" (string 101 present: ${SETUP_HAS_BASE_NAME})")
