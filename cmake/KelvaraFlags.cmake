# Compile flags shared by every Kelvara target.
#
# Results of the design engine are compared bit for bit with an independent
# reference, so floating-point contraction is switched off and no fast-math
# style option may ever be added here.
add_library(kelvara_flags INTERFACE)
add_library(kelvara::flags ALIAS kelvara_flags)
target_compile_options(kelvara_flags INTERFACE
  -Wall -Wextra
  -ffp-contract=off
  $<$<CXX_COMPILER_ID:Clang>:-Wno-unused-command-line-argument>)
# Debian's hardening: checked string and memory functions where the build
# optimises (the sanitizer and fuzz builds bring checks of their own),
# stack protection and format checks.
if(KELVARA_SANITIZE STREQUAL "" AND NOT KELVARA_BUILD_FUZZERS)
  target_compile_options(kelvara_flags INTERFACE
    $<$<CONFIG:RelWithDebInfo,Release,MinSizeRel>:-D_FORTIFY_SOURCE=2>
    -fstack-protector-strong -Wformat -Werror=format-security)
endif()
# Line tables only as debug information: a quarter less compile time, and
# still file and line in every backtrace and sanitizer report. CI and the
# thread-sanitizer build use it; a developer's build keeps full -g.
option(KELVARA_LINE_DEBUG_INFO "Only line tables as debug information (-g1)" OFF)
if(KELVARA_LINE_DEBUG_INFO)
  target_compile_options(kelvara_flags INTERFACE -g1)
endif()
# CI builds with every warning as an error, so a warning cannot land.
option(KELVARA_WERROR "Treat compiler warnings as errors" OFF)
if(KELVARA_WERROR)
  target_compile_options(kelvara_flags INTERFACE -Werror)
endif()
# Resolve every symbol at start and keep the relocations read-only, as
# Debian's hardened programs do.
target_link_options(kelvara_flags INTERFACE -Wl,-z,relro,-z,now)

if(KELVARA_SANITIZE STREQUAL "thread")
  target_compile_options(kelvara_flags INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(kelvara_flags INTERFACE -fsanitize=thread)
elseif(KELVARA_SANITIZE STREQUAL "address")
  target_compile_options(kelvara_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
  target_link_options(kelvara_flags INTERFACE -fsanitize=address,undefined)
elseif(NOT KELVARA_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KELVARA_SANITIZE must be thread, address or empty")
endif()

# The fuzz build instruments every Kelvara target for libFuzzer's coverage
# feedback and checks addresses and undefined behaviour; the fuzz targets in
# fuzz/ link libFuzzer itself.
if(KELVARA_BUILD_FUZZERS)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "The fuzzers need clang: configure with CC=clang CXX=clang++")
  endif()
  if(KELVARA_SANITIZE STREQUAL "thread")
    message(FATAL_ERROR "The fuzzers cannot be built with the thread sanitizer")
  endif()
  target_compile_options(kelvara_flags INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(kelvara_flags INTERFACE -fsanitize=address,undefined)
endif()
