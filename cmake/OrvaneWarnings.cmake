# Compiler strictness for the project's own code, from one place.
add_library(orvane_warnings INTERFACE)
option(ORVANE_WERROR "Treat warnings as errors in the project's own code" ON)
target_compile_options(orvane_warnings INTERFACE
  -Wall -Wextra -Wpedantic $<$<BOOL:${ORVANE_WERROR}>:-Werror>
  -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
  -Wformat=2 -Wimplicit-fallthrough)
# GCC 12 reports inlined std::vector/std::string copies at -O3 as overflows that cannot happen
# (the library's own code, seen through inlining); the sanitizer builds check the real thing.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(orvane_warnings INTERFACE -Wno-stringop-overflow -Wno-stringop-overread -Wno-restrict -Wno-array-bounds)
endif()
