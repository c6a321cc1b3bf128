# Compiler strictness for the project's own code, from one place.
add_library(orvane_warnings INTERFACE)
option(ORVANE_WERROR "Treat warnings as errors in the project's own code" ON)
target_compile_options(orvane_warnings INTERFACE
  -Wall -Wextra -Wpedantic $<$<BOOL:${ORVANE_WERROR}>:-Werror>
  -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
  -Wformat=2 -Wimplicit-fallthrough)
