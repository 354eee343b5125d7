# ASan + UBSan (KOLVISTA_SANITIZE) or TSan (KOLVISTA_TSAN) for every project
# target; the two cannot be combined.
add_library(kolvista_sanitizers INTERFACE)
if(KOLVISTA_SANITIZE AND KOLVISTA_TSAN)
  message(FATAL_ERROR "KOLVISTA_SANITIZE and KOLVISTA_TSAN exclude each other")
endif()
if(KOLVISTA_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_compile_options(kolvista_sanitizers INTERFACE ${_san})
  target_link_options(kolvista_sanitizers INTERFACE ${_san})
endif()
if(KOLVISTA_TSAN)
  set(_san -fsanitize=thread -fno-omit-frame-pointer)
  target_compile_options(kolvista_sanitizers INTERFACE ${_san})
  target_link_options(kolvista_sanitizers INTERFACE ${_san})
endif()

# Convenience: link both interface targets.
function(kolvista_target_defaults target)
  target_link_libraries(${target} PRIVATE kolvista_warnings kolvista_sanitizers)
endfunction()

# Coverage instrumentation for libFuzzer on every project target.
if(KOLVISTA_FUZZ)
  target_compile_options(kolvista_sanitizers INTERFACE -fsanitize=fuzzer-no-link)
endif()
