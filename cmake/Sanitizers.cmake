# Builds with runtime checks. Both options apply to every target, so they
# must be set up before the first library is added.
#   QUORVEL_SANITIZE   AddressSanitizer (with leak checking) and
#                      UndefinedBehaviorSanitizer; any report ends the process.
#   QUORVEL_BUILD_FUZZ the libFuzzer targets in fuzz/ (clang only); the code
#                      they link is built with coverage feedback and the same
#                      sanitizers.

option(QUORVEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUORVEL_BUILD_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

set(QUORVEL_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                            -fno-omit-frame-pointer)

if(QUORVEL_BUILD_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "QUORVEL_BUILD_FUZZ needs clang (libFuzzer): CXX=clang++")
    endif()
    add_compile_options(${QUORVEL_SANITIZER_FLAGS} -fsanitize=fuzzer-no-link)
    add_link_options(-fsanitize=address,undefined)
elseif(QUORVEL_SANITIZE)
    add_compile_options(${QUORVEL_SANITIZER_FLAGS})
    add_link_options(-fsanitize=address,undefined)
endif()
