# The support address is the contact of the error report and of Programs and
# Features. It defaults to the example address so that a development build
# works as it is; a release build (TARNWELL_RELEASE_BUILD, scripts/build.sh
# --release) stops while it is still that address, or empty.
#   tarnwell_check_support_address(<address> <release: ON/OFF>)
function(tarnwell_check_support_address address release)
  string(TOLOWER "${address}" lower_case)
  if(NOT address STREQUAL "" AND NOT lower_case STREQUAL "support@example.com")
    return()
  endif()
  if(release)
    message(FATAL_ERROR
      "Release build: the support address is \"${address}\", the example one. Give the "
      "address users should write to: TARNWELL_SUPPORT_EMAIL=help@your-company.com "
      "scripts/build.sh --release (or cmake -DTARNWELL_SUPPORT_EMAIL=...).")
  endif()
  message(STATUS "Development build: the support address is the example \"${address}\"; "
                 "not for release (a release build, scripts/build.sh --release, refuses it)")
endfunction()
