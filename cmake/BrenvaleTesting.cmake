# Helpers for test executables: one GoogleTest executable per module, discovered by CTest
# with a label, and fuzz targets that replay their corpus under CTest.

include(GoogleTest)
find_package(GTest REQUIRED)

# Where the real files written by others are looked for when BRENVALE_SHARED_FIXTURES is not
# set. The only place that names this folder: every test reaches it through the variable, so
# that pointing the variable at an empty folder shows how the suite runs on a fresh clone.
set(BRENVALE_DEFAULT_SHARED_FIXTURES "${PROJECT_SOURCE_DIR}/../shared/fixtures")

# The environment of tests that are not GoogleTest executables (whose main pins its own).
# It leaves BRENVALE_SHARED_FIXTURES to the caller.
set(BRENVALE_TEST_ENVIRONMENT
    "LANG=C.UTF-8"
    "TZ=Pacific/Chatham"
    "QT_QPA_PLATFORM=offscreen")

# brenvale_add_test(NAME name SOURCES ... LIBRARIES ... [LABEL unit])
function(brenvale_add_test)
    cmake_parse_arguments(arg "" "NAME;LABEL" "SOURCES;LIBRARIES" ${ARGN})
    if(NOT arg_LABEL)
        set(arg_LABEL unit)
    endif()
    add_executable(${arg_NAME} ${arg_SOURCES})
    target_link_libraries(${arg_NAME} PRIVATE ${arg_LIBRARIES} brenvale::testsupport
                          brenvale::testmain)
    brenvale_set_warnings(${arg_NAME})
    gtest_discover_tests(${arg_NAME}
        PROPERTIES LABELS ${arg_LABEL}
        DISCOVERY_TIMEOUT 60)
endfunction()

# brenvale_add_fuzz_target(NAME name SOURCES ... LIBRARIES ... [SEEDS dir|file.hex ...]
#                          [GENERATED set ...])
# The target defines LLVMFuzzerTestOneInput. With BRENVALE_FUZZ it is a libFuzzer program;
# otherwise it links a replay main that runs each input once. Its seeds (the *.hex text of each
# SEEDS folder, and the GENERATED seed sets of brenvale-fuzz-seeds) are written at build time
# into fuzz-seeds/<name> of the build folder, and CTest runs the target once on each of them.
function(brenvale_add_fuzz_target)
    cmake_parse_arguments(arg "" "NAME" "SOURCES;LIBRARIES;SEEDS;GENERATED" ${ARGN})
    if(BRENVALE_FUZZ)
        add_executable(${arg_NAME} ${arg_SOURCES})
        target_link_options(${arg_NAME} PRIVATE -fsanitize=fuzzer)
        # libFuzzer runs the inputs it is given once and stops.
        set(run_once -runs=0)
    else()
        add_executable(${arg_NAME} ${arg_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/ReplayMain.cpp)
        set(run_once)
    endif()
    target_link_libraries(${arg_NAME} PRIVATE ${arg_LIBRARIES})
    brenvale_set_warnings(${arg_NAME})

    set(hex_seeds)
    foreach(source IN LISTS arg_SEEDS)
        if(IS_DIRECTORY ${source})
            file(GLOB found CONFIGURE_DEPENDS ${source}/*.hex)
            list(APPEND hex_seeds ${found})
        else()
            list(APPEND hex_seeds ${source})
        endif()
    endforeach()
    set(generated)
    foreach(set IN LISTS arg_GENERATED)
        list(APPEND generated --generated ${set})
    endforeach()
    set(seeds ${PROJECT_BINARY_DIR}/fuzz-seeds/${arg_NAME})
    add_custom_command(OUTPUT ${seeds}.stamp
        COMMAND brenvale-fuzz-seeds ${seeds} ${generated} ${hex_seeds}
        COMMAND ${CMAKE_COMMAND} -E touch ${seeds}.stamp
        DEPENDS brenvale-fuzz-seeds ${hex_seeds}
        COMMENT "Writing the seeds of ${arg_NAME}" VERBATIM)
    add_custom_target(${arg_NAME}_seeds DEPENDS ${seeds}.stamp)
    add_dependencies(${arg_NAME} ${arg_NAME}_seeds)
    add_dependencies(fuzzers ${arg_NAME})
    set_property(GLOBAL APPEND PROPERTY BRENVALE_FUZZ_TARGETS ${arg_NAME})

    add_test(NAME ${arg_NAME} COMMAND ${arg_NAME} ${run_once} ${seeds})
    set_tests_properties(${arg_NAME} PROPERTIES LABELS fuzz-replay
                         ENVIRONMENT "${BRENVALE_TEST_ENVIRONMENT}")
endfunction()
