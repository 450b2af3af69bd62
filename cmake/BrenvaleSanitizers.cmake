# BRENVALE_SANITIZE is a list such as "address;undefined"; it applies to every target we build.

set(BRENVALE_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address;undefined")
if(BRENVALE_SANITIZE)
    list(JOIN BRENVALE_SANITIZE "," brenvale_sanitizers)
    add_compile_options(-fsanitize=${brenvale_sanitizers} -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${brenvale_sanitizers})
endif()
