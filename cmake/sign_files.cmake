# Signs files in place with osslsigncode (Authenticode, SHA-256):
#   cmake -DPKCS12=<cert.p12> -DPASSWORD_FILE=<file> [-DTIMESTAMP_URL=<url>]
#         [-DOSSLSIGNCODE=<path>] "-DFILES=<file>;<file>..." -P sign_files.cmake
# A file that cannot be signed stops the run and is deleted: left unsigned,
# it would look up to date to the next build and could be shipped as it is.
# build_msi.cmake includes this file for tarnwell_sign_files().

function(tarnwell_sign_files)
  if(NOT OSSLSIGNCODE)
    find_program(OSSLSIGNCODE osslsigncode REQUIRED)
  endif()
  set(timestamp)
  if(TIMESTAMP_URL)
    set(timestamp -ts ${TIMESTAMP_URL})
  endif()
  foreach(file IN LISTS ARGN)
    set(signed "${file}.signed")
    execute_process(
        COMMAND ${OSSLSIGNCODE} sign -pkcs12 ${PKCS12} -readpass ${PASSWORD_FILE}
                -h sha256 -n "Tarnwell PDF Printer Software" ${timestamp}
                -in ${file} -out ${signed}
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
      file(REMOVE "${signed}" "${file}")
      message(FATAL_ERROR "Could not sign ${file} (deleted):\n${output}")
    endif()
    file(RENAME "${signed}" "${file}")
    message(STATUS "Signed: ${file}")
  endforeach()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT PKCS12 OR NOT PASSWORD_FILE OR NOT FILES)
    message(FATAL_ERROR "usage: cmake -DPKCS12=... -DPASSWORD_FILE=... -DFILES=... -P ${CMAKE_CURRENT_LIST_FILE}")
  endif()
  tarnwell_sign_files(${FILES})
endif()
