# cmake -DINPUT=program.exe -DOUTPUT=image.bin -DSIZE=n -P pad_image.cmake
# Copies INPUT to OUTPUT and pads it with zero bytes to exactly SIZE bytes. Fails when INPUT is
# not shorter than SIZE: its last byte must be padding that the program does not need.
file(SIZE "${INPUT}" program_size)
math(EXPR room "${SIZE} - ${program_size}")
if(room LESS 1)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "${INPUT} is ${program_size} bytes; a saver runtime must be shorter than "
                      "kSaverHeaderSize (${SIZE}) bytes. Raise kSaverHeaderSize in "
                      "builders/saver_layout.h by a multiple of 32768.")
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
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
message(STATUS "saver_image.bin: program ${program_size} bytes, ${room} bytes of room")
