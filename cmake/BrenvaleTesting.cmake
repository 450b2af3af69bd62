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

# brenvale_add_fuzz_target(NAME name SOURCES ... LIBRARIES ... CORPUS dir)
# The target defines LLVMFuzzerTestOneInput; under g++ it links a replay main that runs every
# file of the corpus folder once, so CTest catches regressions on known inputs.
function(brenvale_add_fuzz_target)
    cmake_parse_arguments(arg "" "NAME;CORPUS" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${arg_NAME} ${arg_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/ReplayMain.cpp)
    target_link_libraries(${arg_NAME} PRIVATE ${arg_LIBRARIES})
    brenvale_set_warnings(${arg_NAME})
    add_test(NAME ${arg_NAME} COMMAND ${arg_NAME} ${arg_CORPUS})
    set_tests_properties(${arg_NAME} PROPERTIES LABELS fuzz-replay
                         ENVIRONMENT "${BRENVALE_TEST_ENVIRONMENT}")
endfunction()
