# Runs the carve driver as a process over every database of the forensic corpus, text and JSON,
# and fails when a run crashes or exits with anything but 0. Skips (exit code 77) when the
# corpus is not on this machine.
set(corpus "$ENV{BRENVALE_SHARED_FIXTURES}/sqlite-forensic-corpus-v1.0")
if(NOT IS_DIRECTORY "${corpus}")
    message("SKIP: the forensic corpus is not at ${corpus}")
    cmake_language(EXIT 77)
endif()
file(GLOB_RECURSE databases "${corpus}/*.db")
list(LENGTH databases count)
foreach(database IN LISTS databases)
    foreach(mode "" "--json")
        execute_process(COMMAND "${CLI}" carve "${database}" ${mode}
            RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors TIMEOUT 60)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "carve ${database} ${mode} ended with ${result}: ${errors}")
        endif()
    endforeach()
endforeach()
message("carve read ${count} databases")
