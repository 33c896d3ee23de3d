# Setup.exe: a GUI executable that imports nothing but system DLLs.
enable_language(RC)

add_executable(Setup WIN32
  launcher/main.cpp
  framework/winmain.cpp
  resources/setup.rc)
target_link_libraries(Setup PRIVATE launcher)
set_target_properties(Setup PROPERTIES OUTPUT_NAME Setup SUFFIX ".exe")
target_include_directories(Setup PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/resources)

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

if(MINGW)
  # Small, self-contained and byte-for-byte reproducible: no exceptions or
  # RTTI, the C runtime of msvcrt.dll (no MinGW printf), the GCC runtime
  # linked in, PE headers that Windows Me/2000 accept, no time stamps (nor
  # __DATE__ and __TIME__).
  set(setup_compile -Os -Werror=date-time -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
                    -ffunction-sections -fdata-sections -fno-ident)
  foreach(target framework launcher Setup)
    target_compile_options(${target} PRIVATE ${setup_compile})
    target_compile_definitions(${target} PRIVATE __USE_MINGW_ANSI_STDIO=0)
  endforeach()
  target_link_options(Setup PRIVATE
    -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp -Wl,--build-id=none
    -Wl,--major-os-version=4 -Wl,--minor-os-version=0
    -Wl,--major-subsystem-version=4 -Wl,--minor-subsystem-version=0)
elseif(MSVC)
  foreach(target framework launcher Setup)
    target_compile_options(${target} PRIVATE /O1 /GR- /EHs-c- /GS-)
  endforeach()
  set_property(TARGET Setup PROPERTY MSVC_RUNTIME_LIBRARY "MultiThreaded")
  target_link_options(Setup PRIVATE /OPT:REF /OPT:ICF /Brepro)
endif()
