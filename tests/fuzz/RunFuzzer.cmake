# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT

# cmake -DFUZZER=<exe> -DSEEDS=<dir> -DDICTIONARY=<file> -DWORK=<dir> -DSECONDS=<n> -P RunFuzzer.cmake
# Runs one fuzz target for a bounded time on a fresh copy of its seeds, so the seeds in the source
# tree are never written to. A crash input is left in WORK for the report.
foreach(var FUZZER SEEDS DICTIONARY WORK SECONDS)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "RunFuzzer.cmake: ${var} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${SEEDS}/ DESTINATION ${WORK}/corpus)

execute_process(
    COMMAND ${FUZZER} -max_total_time=${SECONDS} -rss_limit_mb=2048 -timeout=10
            -dict=${DICTIONARY} -artifact_prefix=${WORK}/ -print_final_stats=1 ${WORK}/corpus
    WORKING_DIRECTORY ${WORK}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(GLOB artifacts ${WORK}/crash-* ${WORK}/leak-* ${WORK}/timeout-* ${WORK}/oom-*)
    message(FATAL_ERROR "${FUZZER} failed (${result}); inputs kept: ${artifacts}")
endif()
