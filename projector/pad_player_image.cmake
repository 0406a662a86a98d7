# cmake -DINPUT=program.exe -DOUTPUT=image.bin -DSIZE=n -P pad_player_image.cmake
# Copies INPUT to OUTPUT padded with zero bytes to exactly SIZE bytes. Fails when INPUT is
# larger than SIZE, or when the padded image holds the byte sequence "FWS" or "CWS".
file(SIZE "${INPUT}" program_size)
math(EXPR room "${SIZE} - ${program_size}")
if(room LESS 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "${INPUT} is ${program_size} bytes; the standalone player must fit in "
                      "kProjectorImageSize (${SIZE}) bytes, the layout projectors keep.")
endif()
file(COPY_FILE "${INPUT}" "${OUTPUT}.tmp")
execute_process(COMMAND truncate -s "${SIZE}" "${OUTPUT}.tmp" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${OUTPUT}.tmp")
  message(FATAL_ERROR "cannot pad ${OUTPUT}")
endif()
file(SIZE "${OUTPUT}.tmp" padded)
if(NOT padded EQUAL SIZE)
  file(REMOVE "${OUTPUT}.tmp")
  message(FATAL_ERROR "padded image is ${padded} bytes, not ${SIZE}")
endif()
# grep -a treats the binary as text; -b -o prints the offset of every hit.
execute_process(COMMAND grep -a -b -o -F -e FWS -e CWS "${OUTPUT}.tmp"
                RESULT_VARIABLE found OUTPUT_VARIABLE hits)
if(NOT found EQUAL 0 AND NOT found EQUAL 1)
  file(REMOVE "${OUTPUT}.tmp")
  message(FATAL_ERROR "cannot search ${OUTPUT}.tmp for signatures (grep failed)")
endif()
if(found EQUAL 0)
  file(REMOVE "${OUTPUT}.tmp")
  string(REPLACE "\n" " " hits "${hits}")
  message(FATAL_ERROR "${INPUT} holds an SWF signature (offset:bytes ${hits}); extractors would "
                      "take it for the movie. Change the code or data that produces these bytes.")
endif()
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
message(STATUS "player_image.bin: program ${program_size} bytes, ${room} bytes of room")
