# The package's file name, the one place that decides it. Only a release
# build (TARNWELL_RELEASE_BUILD, scripts/build.sh --release) takes the name
# administrators ship; a development build's name says what it is, so that
# nobody copies it out of release/ for a fleet.
#   tarnwell_package_file_name(<variable> <x.y.z> <release: ON/OFF>)
# Run as a script it prints the name:
#   cmake -DVERSION=7.0.0 -DRELEASE=ON -P package_file_name.cmake
function(tarnwell_package_file_name variable version release)
  if(release)
    set(${variable} "Tarnwell PDF Printer Software ${version}.msi" PARENT_SCOPE)
  else()
    set(${variable} "Tarnwell PDF Printer Software ${version} development build.msi" PARENT_SCOPE)
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  tarnwell_package_file_name(name "${VERSION}" "${RELEASE}")
  message(NOTICE "${name}")
endif()
