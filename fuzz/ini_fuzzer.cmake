# libFuzzer target over arbitrary settings files; included from fuzz/CMakeLists.txt.
#   build-fuzz/fuzz/ini_fuzzer -max_total_time=120
add_executable(ini_fuzzer ${CMAKE_CURRENT_LIST_DIR}/ini_fuzzer.cpp)
target_link_libraries(ini_fuzzer PRIVATE settings_store)
target_compile_options(ini_fuzzer PRIVATE -fsanitize=fuzzer)
target_link_options(ini_fuzzer PRIVATE -fsanitize=fuzzer)
kolvista_target_defaults(ini_fuzzer)
