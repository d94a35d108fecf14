# Runs make-sample into OUT and compares each file with the committed one.
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${MAKE_SAMPLE} ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make-sample failed")
endif()
foreach(f sample.rli sample.rld sample.dic sample.ini)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${f} ${COMMITTED}/${f}
                  RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "samples/${f} is not what make-sample writes; run make-sample samples")
  endif()
endforeach()
