# cmake -DIN=file -DOUT=file.gz -P gzip.cmake
# gzip -n: no name or time stamp in the header, so packages are reproducible.
execute_process(COMMAND gzip -9 -n -c ${IN} OUTPUT_FILE ${OUT} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip ${IN} failed")
endif()
