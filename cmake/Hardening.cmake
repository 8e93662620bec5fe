# Hardening for optimized Linux builds, as Debian builds its own packages:
# fortified libc calls, stack protector, read-only relocations bound at start,
# and position-independent executables. _FORTIFY_SOURCE needs optimization (a
# Debug build would only warn), and it hides errors from the sanitizers, so
# Debug and sanitizer builds go without it. -z relro/now are ELF linker options:
# the MinGW build has no use for them.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT TYPELANE_SANITIZE)
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES CXX)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  set(optimized "$<NOT:$<CONFIG:Debug>>")
  # -U first: some compilers define their own level, and a redefinition warns.
  add_compile_options("$<${optimized}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>"
                      "$<${optimized}:-fstack-protector-strong>")
  add_link_options("$<${optimized}:LINKER:-z,relro,-z,now>")
endif()
