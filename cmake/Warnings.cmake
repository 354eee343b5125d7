# Every target of the project links kolvista_warnings.
add_library(kolvista_warnings INTERFACE)
target_compile_options(kolvista_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(KOLVISTA_WERROR)
  target_compile_options(kolvista_warnings INTERFACE -Werror)
endif()
