# Warnings and hardening, applied per target so that third-party code keeps its own flags.

function(brenvale_set_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
        -Woverloaded-virtual -Wformat=2 -Wcast-align -fstack-protector-strong)
    if(BRENVALE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
        target_compile_definitions(${target} PRIVATE _FORTIFY_SOURCE=2)
    endif()
    target_link_options(${target} PRIVATE -Wl,-z,relro -Wl,-z,now)
endfunction()
