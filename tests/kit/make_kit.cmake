# Lays out the Windows test kit's folder and zips it, the same bytes for the
# same commit. Run by the build (tests/kit/CMakeLists.txt) with:
#   KIT ZIP DIST MSI DEPLOY RUNNER UPGRADE STOCK README EPOCH PYTHON MAKE_ZIP
file(REMOVE_RECURSE "${KIT}")
file(MAKE_DIRECTORY "${KIT}/program" "${KIT}/package" "${KIT}/test-packages")
file(COPY "${DIST}/Tarnwell PDF Printer Software.exe" "${DIST}/HAND-M.CUR"
     "${DIST}/Quellmark PDF Setup" DESTINATION "${KIT}/program")
file(COPY "${MSI}" "${DEPLOY}" DESTINATION "${KIT}/package")
file(COPY_FILE "${UPGRADE}" "${KIT}/test-packages/failing-printer-upgrade.msi")
file(COPY "${RUNNER}" "${STOCK}" DESTINATION "${KIT}")
file(COPY_FILE "${README}" "${KIT}/README.txt")
execute_process(COMMAND "${PYTHON}" "${MAKE_ZIP}" "${ZIP}" "${KIT}" "${EPOCH}"
                RESULT_VARIABLE zipped)
if(NOT zipped EQUAL 0)
  message(FATAL_ERROR "could not zip ${KIT} into ${ZIP}")
endif()
