# String 101 starts every package file name Setup.exe looks for
# (<base>_enu.msi, <base>_CHT.msi, <base>_en*.msi ...). Names that cannot
# work as such a prefix are refused here, before anything is built.
option(SETUP_ALLOW_EMPTY_BASE_NAME
       "Build without string 101 on purpose (Setup.exe then looks for _enu.msi and the like)" OFF)

# Longest tail a probe adds ("_" + a three-letter tag + ".msi"), plus "C:\"
# in front: the finder takes full paths below 260 characters.
set(SETUP_MAX_BASE_NAME_LENGTH 247)

function(setup_check_package_base_name name)
  set(SETUP_HAS_BASE_NAME 1 PARENT_SCOPE)
  if(name STREQUAL "")
    if(NOT SETUP_ALLOW_EMPTY_BASE_NAME)
      message(FATAL_ERROR "SETUP_PACKAGE_BASE_NAME is empty. Set it to the prefix of your packages "
                          "(for example -DSETUP_PACKAGE_BASE_NAME=myproduct for myproduct_enu.msi), or add "
                          "-DSETUP_ALLOW_EMPTY_BASE_NAME=ON to build without string 101 on purpose.")
    endif()
    set(SETUP_HAS_BASE_NAME 0 PARENT_SCOPE)
    return()
  endif()
  string(LENGTH "${name}" length)
  if(length GREATER SETUP_MAX_BASE_NAME_LENGTH)
    message(FATAL_ERROR "SETUP_PACKAGE_BASE_NAME is ${length} characters long; at most "
                        "${SETUP_MAX_BASE_NAME_LENGTH} leave room for \"_enu.msi\" within a 259-character path.")
  endif()
  if(name MATCHES "[<>:\"/\\\\|?*]")
    message(FATAL_ERROR "SETUP_PACKAGE_BASE_NAME \"${name}\" holds one of < > : \" / \\ | ? *, "
                        "which Windows does not allow in a file name.")
  endif()
  # The string table is compiled in code page 950: only ASCII arrives unchanged.
  if(NOT name MATCHES "^[ -~]+$")
    message(FATAL_ERROR "SETUP_PACKAGE_BASE_NAME \"${name}\" must be printable ASCII "
                        "(letters, digits, spaces and punctuation other than < > : \" / \\ | ? *).")
  endif()
endfunction()
