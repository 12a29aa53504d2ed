# The moment every time stamp of a build is set to, so that two builds of one
# commit give the same bytes: SOURCE_DATE_EPOCH when it is set, else the
# time of the last commit of the source tree, else a fixed moment (a tree
# outside git).
#   tarnwell_source_date_epoch(<variable> <source folder>)
function(tarnwell_source_date_epoch variable source_dir)
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
  if(epoch STREQUAL "")
    find_program(TARNWELL_GIT git)
    if(TARNWELL_GIT)
      execute_process(
          COMMAND ${TARNWELL_GIT} -C ${source_dir} log -1 --format=%ct
          RESULT_VARIABLE result
          OUTPUT_VARIABLE epoch
          ERROR_QUIET
          OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(NOT result EQUAL 0)
        set(epoch "")
      endif()
    endif()
  endif()
  if(epoch STREQUAL "")
    set(epoch 946684800)  # 2000-01-01 00:00 UTC
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be seconds since 1970, not \"${epoch}\"")
  endif()
  set(${variable} ${epoch} PARENT_SCOPE)
endfunction()
