# Setup.exe: a GUI executable that imports nothing but system DLLs.
enable_language(RC)
include(cmake/WindowsExecutable.cmake)

add_executable(Setup WIN32
  ${framework_sources}
  ${launcher_sources}
  launcher/main.cpp
  framework/winmain.cpp
  resources/setup.rc)
setup_windows_executable(Setup)
setup_warnings(Setup)
set_target_properties(Setup PROPERTIES OUTPUT_NAME Setup SUFFIX ".exe")
target_include_directories(Setup PRIVATE framework launcher ${CMAKE_CURRENT_BINARY_DIR}/resources)

include(cmake/PackageBaseName.cmake)
setup_check_package_base_name("${SETUP_PACKAGE_BASE_NAME}")
configure_file(resources/config.h.in resources/config.h @ONLY)

# The run level the manifest asks Windows for. asInvoker: Setup.exe starts
# without a prompt, and Windows Installer asks for administrator rights itself
# when a per-machine package starts its changes.
set(SETUP_EXECUTION_LEVEL "asInvoker" CACHE STRING
    "Run level of Setup.exe's manifest: asInvoker, highestAvailable or requireAdministrator")
set_property(CACHE SETUP_EXECUTION_LEVEL PROPERTY STRINGS asInvoker highestAvailable requireAdministrator)
if(NOT SETUP_EXECUTION_LEVEL MATCHES "^(asInvoker|highestAvailable|requireAdministrator)$")
  set(refused "${SETUP_EXECUTION_LEVEL}")
  unset(SETUP_EXECUTION_LEVEL CACHE)  # the next configure without it takes asInvoker again
  message(FATAL_ERROR "SETUP_EXECUTION_LEVEL \"${refused}\" is none of asInvoker, highestAvailable, requireAdministrator.")
endif()
configure_file(resources/setup.manifest.in resources/setup.manifest @ONLY)

