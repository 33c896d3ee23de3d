# String 101 starts every package file name Setup.exe looks for
# (<base>_enu.msi, <base>_CHT.msi, <base>_en*.msi ...). Names that cannot
# work as such a prefix are refused here, before anything is built.
#
# This file is the only definition of those rules: setup-rebrand (tools/setup-rebrand/)
# compiles the values and messages below into base_name_rules.h, and
# applies them the same way.
option(SETUP_ALLOW_EMPTY_BASE_NAME
       "Build without string 101 on purpose (Setup.exe then looks for _enu.msi and the like)" OFF)

# Longest tail a probe adds ("_" + a three-letter tag + ".msi"), plus "C:\"
# in front: the finder takes full paths below 260 characters.
set(SETUP_MAX_BASE_NAME_LENGTH 247)
# Characters Windows does not allow in a file name.
set(SETUP_BASE_NAME_FORBIDDEN "<>:\"/\\|?*")
# The string table is compiled in code page 950: only printable ASCII
# (these character codes, both included) arrives unchanged.
set(SETUP_BASE_NAME_FIRST_CHAR 32)
set(SETUP_BASE_NAME_LAST_CHAR 126)

# The refusals. {what} is how the name was given (the cache variable, or
# setup-rebrand's option), {example} and {allow_empty} the spellings that
# go with it; {name} is the name and {length} its length.
string(REGEX REPLACE "(.)" "\\1 " _setup_forbidden_list "${SETUP_BASE_NAME_FORBIDDEN}")
string(STRIP "${_setup_forbidden_list}" _setup_forbidden_list)
set(SETUP_BASE_NAME_EMPTY_MESSAGE
    "{what} is empty. Set it to the prefix of your packages (for example {example} for myproduct_enu.msi), or add {allow_empty} to leave the base name empty on purpose.")
set(SETUP_BASE_NAME_LENGTH_MESSAGE
    "{what} is {length} characters long; at most ${SETUP_MAX_BASE_NAME_LENGTH} leave room for \"_enu.msi\" within a 259-character path.")
set(SETUP_BASE_NAME_FORBIDDEN_MESSAGE
    "{what} \"{name}\" holds one of ${_setup_forbidden_list}, which Windows does not allow in a file name.")
set(SETUP_BASE_NAME_ASCII_MESSAGE
    "{what} \"{name}\" must be printable ASCII (letters, digits, spaces and punctuation other than ${_setup_forbidden_list}).")

function(_setup_base_name_refusal template name)
  # A refused name must not stay in the cache: the next configure without it
  # builds the default again.
  if(NOT CMAKE_SCRIPT_MODE_FILE)
    unset(SETUP_PACKAGE_BASE_NAME CACHE)
  endif()
  string(LENGTH "${name}" length)
  string(REPLACE "{what}" "SETUP_PACKAGE_BASE_NAME" text "${template}")
  string(REPLACE "{example}" "-DSETUP_PACKAGE_BASE_NAME=myproduct" text "${text}")
  string(REPLACE "{allow_empty}" "-DSETUP_ALLOW_EMPTY_BASE_NAME=ON" text "${text}")
  string(REPLACE "{length}" "${length}" text "${text}")
  string(REPLACE "{name}" "${name}" text "${text}")
  message(FATAL_ERROR "${text}")
endfunction()

function(setup_check_package_base_name name)
  set(SETUP_HAS_BASE_NAME 1 PARENT_SCOPE)
  if(name STREQUAL "")
    if(NOT SETUP_ALLOW_EMPTY_BASE_NAME)
      _setup_base_name_refusal("${SETUP_BASE_NAME_EMPTY_MESSAGE}" "")
    endif()
    set(SETUP_HAS_BASE_NAME 0 PARENT_SCOPE)
    return()
  endif()
  string(LENGTH "${SETUP_BASE_NAME_FORBIDDEN}" count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    string(SUBSTRING "${SETUP_BASE_NAME_FORBIDDEN}" ${i} 1 forbidden)
    string(FIND "${name}" "${forbidden}" at)
    if(at GREATER -1)
      _setup_base_name_refusal("${SETUP_BASE_NAME_FORBIDDEN_MESSAGE}" "${name}")
    endif()
  endforeach()
  string(ASCII ${SETUP_BASE_NAME_FIRST_CHAR} first)
  string(ASCII ${SETUP_BASE_NAME_LAST_CHAR} last)
  if(NOT name MATCHES "^[${first}-${last}]+$")
    _setup_base_name_refusal("${SETUP_BASE_NAME_ASCII_MESSAGE}" "${name}")
  endif()
  # Printable ASCII from here on: a byte is a character.
  string(LENGTH "${name}" length)
  if(length GREATER SETUP_MAX_BASE_NAME_LENGTH)
    _setup_base_name_refusal("${SETUP_BASE_NAME_LENGTH_MESSAGE}" "${name}")
  endif()
endfunction()
