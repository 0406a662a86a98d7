# cmake -DSCRIPT=projector/pad_player_image.cmake -DWORK=dir -P pad_player_image_test.cmake
# The padding step of the standalone player: an exact-size image of zero bytes after the
# program, and a failed build for a program that is too large or holds an SWF signature.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(pad name content size expect_ok)
  file(WRITE "${WORK}/${name}.exe" "${content}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DINPUT=${WORK}/${name}.exe -DOUTPUT=${WORK}/${name}.bin
                          -DSIZE=${size} -P ${SCRIPT}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(expect_ok AND NOT rc EQUAL 0)
    message(FATAL_ERROR "${name}: padding failed: ${err}")
  endif()
  if(NOT expect_ok)
    if(rc EQUAL 0)
      message(FATAL_ERROR "${name}: padding should have failed")
    endif()
    if(EXISTS "${WORK}/${name}.bin" OR EXISTS "${WORK}/${name}.bin.tmp")
      message(FATAL_ERROR "${name}: a failed padding left an image behind")
    endif()
  endif()
endfunction()

pad(fits "MZ program bytes" 64 TRUE)
file(SIZE "${WORK}/fits.bin" padded)
if(NOT padded EQUAL 64)
  message(FATAL_ERROR "fits: padded to ${padded} bytes, not 64")
endif()
file(READ "${WORK}/fits.bin" hex HEX)
string(SUBSTRING "${hex}" 32 96 tail)
if(NOT tail MATCHES "^0+$")
  message(FATAL_ERROR "fits: the padding is not zero bytes: ${tail}")
endif()

pad(exact "0123456789abcdef" 16 TRUE)
pad(too_large "0123456789abcdefX" 16 FALSE)
pad(uncompressed_signature "MZ..FWS.." 64 FALSE)
pad(compressed_signature "MZ..CWS.." 64 FALSE)
# LZMA movies are not searched for, so their signature may stay.
pad(lzma_signature "MZ..ZWS.." 64 TRUE)
pad(split_signature "MZ..FW.S.." 64 TRUE)
message(STATUS "pad_player_image: all cases passed")
