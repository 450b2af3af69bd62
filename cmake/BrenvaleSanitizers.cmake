# BRENVALE_SANITIZE is a list such as "address;undefined"; it applies to every target we build.

set(BRENVALE_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address;undefined")
if(BRENVALE_SANITIZE)
    list(JOIN BRENVALE_SANITIZE "," brenvale_sanitizers)
    add_compile_options(-fsanitize=${brenvale_sanitizers} -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${brenvale_sanitizers})
endif()

# BRENVALE_FUZZ builds the fuzz targets as libFuzzer programs. Every object gets the fuzzer's
# coverage instrumentation, so that it sees into the libraries the targets link; the fuzz
# preset pairs it with address;undefined, whose runtime serves that instrumentation in the
# programs that do not link libFuzzer.
if(BRENVALE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "BRENVALE_FUZZ needs clang (the fuzz preset uses clang++-16)")
    endif()
    if(NOT BRENVALE_SANITIZE)
        message(FATAL_ERROR "BRENVALE_FUZZ needs BRENVALE_SANITIZE (the fuzz preset sets address;undefined)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
