# Options every target of ours gets: C++17, warnings, and, in the Windows builds,
# sources in UTF-8 whose narrow literals become code page 932, the program's ANSI
# code page. Programs for the build machine keep UTF-8, its terminal's encoding.
# The native build uses clang (for libFuzzer), which cannot convert literals: the
# window-free code it compiles spells any non-ASCII byte as an escape.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

add_library(zorvand_options INTERFACE)
target_compile_options(zorvand_options INTERFACE
  -Wall -Wextra -Werror=return-type
  $<$<AND:$<BOOL:${WIN32}>,$<COMPILE_LANGUAGE:CXX>,$<CXX_COMPILER_ID:GNU>>:-finput-charset=UTF-8 -fexec-charset=CP932>)
