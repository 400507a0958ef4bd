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

if(KELVARA_SANITIZE STREQUAL "thread")
  target_compile_options(kelvara_flags INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(kelvara_flags INTERFACE -fsanitize=thread)
elseif(KELVARA_SANITIZE STREQUAL "address")
  target_compile_options(kelvara_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
  target_link_options(kelvara_flags INTERFACE -fsanitize=address,undefined)
elseif(NOT KELVARA_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KELVARA_SANITIZE must be thread, address or empty")
endif()
