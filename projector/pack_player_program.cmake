# cmake -DINPUT=program.exe -DOUTPUT=program.lzma -P pack_player_program.cmake
# Compresses the player program into xz's .lzma format for the loader's resource. The packed
# bytes land in the player image, which must not hold "FWS" or "CWS" (see
# pad_player_image.cmake); compressed data holds such a triple by chance now and then, so the
# next compression level is tried until one has none.
foreach(level 9e 9 8e 8 7e 7 6e 6)
  execute_process(COMMAND xz --format=lzma -${level} --stdout "${INPUT}"
                  OUTPUT_FILE "${OUTPUT}.tmp" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    file(REMOVE "${OUTPUT}.tmp")
    message(FATAL_ERROR "xz failed on ${INPUT} (is xz-utils installed?)")
  endif()
  execute_process(COMMAND grep -a -q -F -e FWS -e CWS "${OUTPUT}.tmp" RESULT_VARIABLE found)
  if(found EQUAL 1)
    file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
    file(SIZE "${INPUT}" in_size)
    file(SIZE "${OUTPUT}" out_size)
    message(STATUS "player program: ${in_size} bytes, packed ${out_size} bytes (xz -${level})")
    return()
  endif()
endforeach()
file(REMOVE "${OUTPUT}.tmp")
message(FATAL_ERROR "every compression of ${INPUT} holds an SWF signature")
