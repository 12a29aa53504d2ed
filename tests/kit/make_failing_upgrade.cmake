# The kit's second package: the release's application folder at a higher
# version, with the newer printer package's setup replaced by one that
# fails, built by the release's own script with the release's time stamps.
# Run by the build (CMakeLists.txt) with:
#   DIST SETUP ACTIONS_DLL ICON CONTACT VERSION EPOCH BUILD_MSI OUTPUT WORK
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${DIST}/" DESTINATION "${WORK}/dist")
file(COPY_FILE "${SETUP}" "${WORK}/dist/Quellmark PDF Setup/setup.exe")
execute_process(
    COMMAND "${CMAKE_COMMAND}" "-DDIST=${WORK}/dist" "-DACTIONS_DLL=${ACTIONS_DLL}" "-DICON=${ICON}"
            "-DCONTACT=${CONTACT}" "-DVERSION=${VERSION}" "-DOUTPUT=${OUTPUT}" "-DWORK=${WORK}/msi"
            "-DSOURCE_DATE_EPOCH=${EPOCH}" -P "${BUILD_MSI}"
    RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "could not build ${OUTPUT}")
endif()
