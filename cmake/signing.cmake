# Code signing of the release files (the program, the printer package's
# setup.exe and uninstall.exe, the installer's printer steps and the
# Windows Installer package) with osslsigncode: Authenticode, SHA-256.
#
# Settings (CMake cache; each takes its first value from the environment
# variable of the same name):
#   TARNWELL_SIGN_PKCS12         the certificate with its private key (.p12 / .pfx)
#   TARNWELL_SIGN_PASSWORD_FILE  a file holding the certificate's password
#   TARNWELL_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server (optional)
# Without a certificate nothing is signed and configuring says so in one line.

set(TARNWELL_SIGN_PKCS12 "$ENV{TARNWELL_SIGN_PKCS12}" CACHE FILEPATH
    "Code-signing certificate (PKCS#12) for the release files; empty: nothing is signed")
set(TARNWELL_SIGN_PASSWORD_FILE "$ENV{TARNWELL_SIGN_PASSWORD_FILE}" CACHE FILEPATH
    "File holding the password of TARNWELL_SIGN_PKCS12")
set(TARNWELL_SIGN_TIMESTAMP_URL "$ENV{TARNWELL_SIGN_TIMESTAMP_URL}" CACHE STRING
    "RFC 3161 time-stamp server for the signatures; empty: no time stamp")

set(TARNWELL_SIGN_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/sign_files.cmake)

if(TARNWELL_SIGN_PKCS12)
  # A signing build that cannot sign stops here, before anything unsigned
  # could pass for a release.
  if(NOT EXISTS "${TARNWELL_SIGN_PKCS12}")
    message(FATAL_ERROR "TARNWELL_SIGN_PKCS12: no such file: ${TARNWELL_SIGN_PKCS12}")
  endif()
  if(NOT TARNWELL_SIGN_PASSWORD_FILE OR NOT EXISTS "${TARNWELL_SIGN_PASSWORD_FILE}")
    message(FATAL_ERROR "TARNWELL_SIGN_PASSWORD_FILE must name the file holding the "
                        "password of ${TARNWELL_SIGN_PKCS12}")
  endif()
  find_program(TARNWELL_OSSLSIGNCODE osslsigncode REQUIRED)
  message(STATUS "Code signing: signing the release files with ${TARNWELL_SIGN_PKCS12}")
  set(TARNWELL_SIGN_ARGS
      -DOSSLSIGNCODE=${TARNWELL_OSSLSIGNCODE}
      -DPKCS12=${TARNWELL_SIGN_PKCS12}
      -DPASSWORD_FILE=${TARNWELL_SIGN_PASSWORD_FILE}
      -DTIMESTAMP_URL=${TARNWELL_SIGN_TIMESTAMP_URL})
else()
  message(STATUS "Code signing: no certificate given (TARNWELL_SIGN_PKCS12), nothing is signed")
  set(TARNWELL_SIGN_ARGS)
endif()

# What the signing settings are now, rewritten only when they change: the
# signed files depend on it, so a build that starts or stops signing, or
# takes another certificate, makes them afresh.
set(TARNWELL_SIGN_STAMP ${CMAKE_BINARY_DIR}/code-signing.txt)
if(TARNWELL_SIGN_PKCS12)
  file(SHA256 "${TARNWELL_SIGN_PKCS12}" certificate_hash)
  set(signing_state "signed with ${TARNWELL_SIGN_PKCS12} (SHA-256 ${certificate_hash}), "
                    "time stamps from '${TARNWELL_SIGN_TIMESTAMP_URL}'")
else()
  set(signing_state "not signed")
endif()
file(CONFIGURE OUTPUT ${TARNWELL_SIGN_STAMP} CONTENT "${signing_state}\n")

# Signs the target's file in place each time it is linked, so whatever is
# packaged after it is already signed.
function(tarnwell_sign_after_build target)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TARNWELL_SIGN_STAMP})
  if(NOT TARNWELL_SIGN_PKCS12)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} ${TARNWELL_SIGN_ARGS} "-DFILES=$<TARGET_FILE:${target}>"
              -P ${TARNWELL_SIGN_SCRIPT}
      VERBATIM)
endfunction()
