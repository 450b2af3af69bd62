# Runs the carve driver as a process over every database of the forensic corpus, text and JSON,
# and fails when a run crashes or exits with anything but 0. The corpus is looked for in
# $BRENVALE_SHARED_FIXTURES, else in DEFAULT_FIXTURES. Where it is absent the script prints a
# line starting "SKIP: ", which the test's SKIP_REGULAR_EXPRESSION reports as skipped, and ends.
set(fixtures "${DEFAULT_FIXTURES}")
if(DEFINED ENV{BRENVALE_SHARED_FIXTURES})
    set(fixtures "$ENV{BRENVALE_SHARED_FIXTURES}")
endif()
set(corpus "${fixtures}/sqlite-forensic-corpus-v1.0")
if(NOT IS_DIRECTORY "${corpus}")
    message("SKIP: the forensic corpus is not at ${corpus}")
    return()
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
