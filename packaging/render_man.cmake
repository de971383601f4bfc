# Turns one scdoc source into a compressed manual page: cmake -DSCDOC=...
# -DGZIP=... -DINPUT=page.1.scd -DOUTPUT=page.1.gz -P render_man.cmake
get_filename_component(roff "${OUTPUT}" NAME_WLE)
get_filename_component(folder "${OUTPUT}" DIRECTORY)
set(roff "${folder}/${roff}")
execute_process(COMMAND "${SCDOC}" INPUT_FILE "${INPUT}" OUTPUT_FILE "${roff}" RESULT_VARIABLE result
  ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "scdoc cannot read ${INPUT}: ${error}")
endif()
execute_process(COMMAND "${GZIP}" -9nc "${roff}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${roff}")
endif()
