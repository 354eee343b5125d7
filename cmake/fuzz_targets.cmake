# The fuzz targets and what each is built from, shared by the libFuzzer build
# (fuzz/, clang, KOLVISTA_FUZZ) and the corpus replay tests of the regular
# build (tests/fuzz_replay/, any compiler).
include_guard(GLOBAL)

set(KOLVISTA_FUZZ_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/../fuzz)
cmake_path(NORMAL_PATH KOLVISTA_FUZZ_SOURCE_DIR)

# <fuzzer/FuzzedDataProvider.h> is a header of clang's own include folder,
# where clang finds it. Other compilers get a copy of it (clang's folder itself
# would hide their own <stddef.h> and friends); KOLVISTA_FUZZED_DATA_PROVIDER
# names the header when it is somewhere else.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND NOT KOLVISTA_FUZZED_DATA_PROVIDER)
  file(GLOB _kolvista_fdp_found
    /usr/lib/llvm-*/lib/clang/*/include/fuzzer/FuzzedDataProvider.h
    /usr/lib/clang/*/include/fuzzer/FuzzedDataProvider.h
    /usr/local/lib/clang/*/include/fuzzer/FuzzedDataProvider.h)
  if(_kolvista_fdp_found)
    list(SORT _kolvista_fdp_found COMPARE NATURAL ORDER DESCENDING)
    list(GET _kolvista_fdp_found 0 _kolvista_fdp_found)
    set(KOLVISTA_FUZZED_DATA_PROVIDER ${_kolvista_fdp_found} CACHE FILEPATH
      "clang's fuzzer/FuzzedDataProvider.h, for fuzz targets built by other compilers")
  endif()
endif()

# kolvista_fuzz_targets(<var>): the names of the targets, one per
# fuzz/*_fuzzer.cpp.
function(kolvista_fuzz_targets out)
  file(GLOB sources CONFIGURE_DEPENDS ${KOLVISTA_FUZZ_SOURCE_DIR}/*_fuzzer.cpp)
  set(names)
  foreach(source ${sources})
    get_filename_component(name ${source} NAME_WE)
    list(APPEND names ${name})
  endforeach()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# Whether the target's source includes <fuzzer/FuzzedDataProvider.h> and the
# compiler is not clang, so the header has to be handed to it.
function(_kolvista_fuzz_needs_provider target out)
  file(STRINGS ${KOLVISTA_FUZZ_SOURCE_DIR}/${target}.cpp provider
    REGEX "#include <fuzzer/FuzzedDataProvider.h>")
  if(provider AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# kolvista_fuzz_target_buildable(<target> <var>): whether this compiler can
# build the target (not when it uses FuzzedDataProvider and clang's header is
# missing).
function(kolvista_fuzz_target_buildable target out)
  _kolvista_fuzz_needs_provider(${target} provider)
  if(provider AND NOT KOLVISTA_FUZZED_DATA_PROVIDER)
    set(${out} FALSE PARENT_SCOPE)
  else()
    set(${out} TRUE PARENT_SCOPE)
  endif()
endfunction()

# kolvista_fuzz_target_sources(<executable> <target>): adds the fuzz target's
# source and what it needs to <executable>. Parsers that live in libraries with
# widgets or the web engine are compiled in from their own sources, which need
# Qt Core only.
function(kolvista_fuzz_target_sources executable target)
  set(source ${KOLVISTA_FUZZ_SOURCE_DIR}/${target}.cpp)
  target_sources(${executable} PRIVATE ${source})
  target_link_libraries(${executable} PRIVATE recordings settings_store)
  if(target STREQUAL "json_fuzzer")
    target_sources(${executable} PRIVATE ${PROJECT_SOURCE_DIR}/map/json_holder.cpp)
    target_include_directories(${executable} PRIVATE ${PROJECT_SOURCE_DIR}/map)
  elseif(target STREQUAL "recorder_config_fuzzer")
    target_sources(${executable} PRIVATE ${PROJECT_SOURCE_DIR}/browser/recorder_config.cpp)
    target_include_directories(${executable} PRIVATE ${PROJECT_SOURCE_DIR}/browser)
  elseif(target STREQUAL "update_fuzzer")
    target_sources(${executable} PRIVATE ${PROJECT_SOURCE_DIR}/settings/update_rules.cpp
      ${PROJECT_SOURCE_DIR}/ui/ui_texts.cpp)
    target_include_directories(${executable} PRIVATE ${PROJECT_SOURCE_DIR}/settings
      ${PROJECT_SOURCE_DIR}/ui)
  endif()

  _kolvista_fuzz_needs_provider(${target} provider)
  if(provider)
    if(NOT KOLVISTA_FUZZED_DATA_PROVIDER)
      message(FATAL_ERROR "${target} needs clang's <fuzzer/FuzzedDataProvider.h>; "
        "install clang or set KOLVISTA_FUZZED_DATA_PROVIDER to the header")
    endif()
    set(include_dir ${CMAKE_BINARY_DIR}/fuzzed_data_provider)
    configure_file(${KOLVISTA_FUZZED_DATA_PROVIDER}
      ${include_dir}/fuzzer/FuzzedDataProvider.h COPYONLY)
    target_include_directories(${executable} SYSTEM PRIVATE ${include_dir})
  endif()
endfunction()
