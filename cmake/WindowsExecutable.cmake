# How a Windows executable of this project is built: Setup.exe, and the
# benchmark's Minimal.exe, which must be built exactly as it is.
#
# One program, one translation unit: the sources are compiled together
# (CMake's unity build), so that the compiler sees the whole program.
#
# MinGW-w64: small, self-contained and byte-for-byte reproducible.
# - Code for the Pentium (i586), the least CPU of Windows Me and 2000:
#   Debian's compiler targets the Pentium Pro, whose cmov a Pentium faults on.
# - The translation unit is the whole program (-fwhole-program): what it does
#   not reach goes, and what it calls once is inlined; other functions only
#   when they are the smallest (-finline-limit=5). The stack is aligned as
#   Windows aligns it, to 4 bytes: nothing here needs more.
# - No exceptions, RTTI or unwind tables; the C runtime of msvcrt.dll (no
#   MinGW printf); zero-initialised data in .bss (no -fdata-sections, which
#   would put it in .data, a section of its own in the file); no time stamps
#   (nor __DATE__ and __TIME__).
# - The framework's own entry (framework/entry_mingw.cpp) instead of the C
#   runtime's start-up objects; data imports that only their pseudo-
#   relocations could patch fail the link.
# - PE headers that Windows Me and 2000 accept.
#
# MSVC: the runtime's own entry, which calls WinMain too.
function(setup_windows_executable target)
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
  if(MINGW)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/framework/entry_mingw.cpp)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/framework)
    target_compile_options(${target} PRIVATE
      -Os -finline-limit=5 -march=i586 -mpreferred-stack-boundary=2 -fwhole-program -Werror=date-time -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
      -ffunction-sections -fno-ident)
    target_compile_definitions(${target} PRIVATE __USE_MINGW_ANSI_STDIO=0)
    target_link_options(${target} PRIVATE
      -nostartfiles -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp -Wl,--build-id=none
      -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc
      -Wl,--major-os-version=4 -Wl,--minor-os-version=0
      -Wl,--major-subsystem-version=4 -Wl,--minor-subsystem-version=0)
  elseif(MSVC)
    target_compile_options(${target} PRIVATE /O1 /GR- /EHs-c- /GS-)
    set_property(TARGET ${target} PROPERTY MSVC_RUNTIME_LIBRARY "MultiThreaded")
    target_link_options(${target} PRIVATE /OPT:REF /OPT:ICF /Brepro)
  endif()
endfunction()
