# cmake -DTABLE=upcase.tsv -DOUTPUT=upcase_table.inc -P upcase_table.cmake
# Turns the upper-case table into C++ initialisers for folder.cpp: one
# {code, upper} pair a row, in the table's order (by code).
cmake_minimum_required(VERSION 3.25)
file(READ "${TABLE}" text)
if(NOT text MATCHES "^code\tupper\n([0-9A-F][0-9A-F][0-9A-F][0-9A-F]\t[0-9A-F][0-9A-F][0-9A-F][0-9A-F]\n)+$")
  message(FATAL_ERROR "${TABLE}: not a table of code and upper, four hexadecimal digits each")
endif()
string(REGEX REPLACE "^code\tupper\n" "" text "${text}")
string(REGEX REPLACE "([0-9A-F]+)\t([0-9A-F]+)\n" "{0x\\1, 0x\\2},\n" text "${text}")
file(WRITE "${OUTPUT}" "// Generated from upcase.tsv by upcase_table.cmake.\n${text}")
