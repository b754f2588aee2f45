# Warning flags for the project's own targets: papyrion_warnings(target)
add_library(papyrion_warnings INTERFACE)
target_compile_options(papyrion_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Wunused -Woverloaded-virtual
  -Wimplicit-fallthrough
  $<$<BOOL:${PAPYRION_WERROR}>:-Werror>)
