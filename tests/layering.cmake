# Builds each layering probe: all must fail but the last, which uses an earlier folder.
list(POP_BACK PROBES allowed)
foreach(probe IN LISTS PROBES allowed)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target ${probe}
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
    if(probe STREQUAL allowed AND NOT result EQUAL 0)
        message(FATAL_ERROR "${probe} should compile")
    elseif(NOT probe STREQUAL allowed AND result EQUAL 0)
        message(FATAL_ERROR "${probe} compiled: an include against the layering")
    endif()
endforeach()
