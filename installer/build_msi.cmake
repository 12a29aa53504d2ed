# Builds the Windows Installer package from an application folder:
#   cmake -DDIST=<application folder> -DACTIONS_DLL=<printer_actions.dll>
#         -DICON=<app.ico> -DVERSION=<x.y.z> -DOUTPUT=<file.msi> -DWORK=<scratch folder>
#         [-DPKCS12=... -DPASSWORD_FILE=... -DTIMESTAMP_URL=... -DOSSLSIGNCODE=...]
#         -P build_msi.cmake
# The build runs it for the release package; the tests run it for packages
# of other versions and contents. With a certificate the package is signed.
cmake_minimum_required(VERSION 3.25)

foreach(setting DIST ACTIONS_DLL ICON VERSION OUTPUT WORK)
  if(NOT ${setting})
    message(FATAL_ERROR "build_msi.cmake: ${setting} is not set")
  endif()
endforeach()
if(NOT VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "build_msi.cmake: VERSION must have three parts, not ${VERSION}")
endif()

# A failed run leaves no package behind, not even an earlier one.
file(REMOVE ${OUTPUT})

set(wxs ${CMAKE_CURRENT_LIST_DIR}/tarnwell.wxs)
file(READ ${wxs} wxs_text)

# Every file of the application folder must be in the package, or the
# package would install a program that misses part of itself.
string(REGEX MATCHALL "Source=\"app/[^\"]+\"" packaged "${wxs_text}")
list(TRANSFORM packaged REPLACE "^Source=\"app/(.*)\"$" "\\1")
file(GLOB_RECURSE shipped RELATIVE ${DIST} LIST_DIRECTORIES false ${DIST}/*)
list(REMOVE_ITEM shipped ${packaged})
if(shipped)
  list(JOIN shipped "\n  " missing)
  message(FATAL_ERROR "${DIST} holds files the package does not install; "
                      "add them to ${wxs}:\n  ${missing}")
endif()

# One ProductCode per version, the same in every build of that version:
# derived from the UpgradeCode, which never changes.
string(REGEX MATCH "UpgradeCode=\"([0-9A-F-]+)\"" _ "${wxs_text}")
set(upgrade_code ${CMAKE_MATCH_1})
string(UUID product_code NAMESPACE ${upgrade_code}
       NAME "Tarnwell PDF Printer Software ${VERSION}" TYPE SHA1 UPPER)

# wixl finds sources relative to where it runs.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(CREATE_LINK ${DIST} ${WORK}/app SYMBOLIC)
file(CREATE_LINK ${ACTIONS_DLL} ${WORK}/printer_actions.dll SYMBOLIC)
file(CREATE_LINK ${ICON} ${WORK}/app.ico SYMBOLIC)

set(package ${WORK}/package.msi)
execute_process(
    COMMAND wixl --arch x86 -D ProductVersion=${VERSION} -D ProductCode=${product_code}
            -o ${package} ${wxs}
    WORKING_DIRECTORY ${WORK}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "wixl could not build the package:\n${output}")
endif()

# wixl has no Secure attribute: the printer properties join the secure ones
# here, so a command line's INSTALLPRINTER / REMOVEPRINTER reach the
# installation's service side also when a standard user installs.
execute_process(
    COMMAND msiinfo export ${package} Property
    RESULT_VARIABLE result
    OUTPUT_VARIABLE properties)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "msiinfo could not read the properties of ${package}")
endif()
set(secure "INSTALLPRINTER;REMOVEPRINTER")
if(properties MATCHES "\nSecureCustomProperties\t([^\r\n]+)")
  set(query "UPDATE `Property` SET `Value` = '${secure};${CMAKE_MATCH_1}' WHERE `Property` = 'SecureCustomProperties'")
else()
  set(query "INSERT INTO `Property` (`Property`, `Value`) VALUES ('SecureCustomProperties', '${secure}')")
endif()
execute_process(
    COMMAND msibuild ${package} -q "${query}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "msibuild could not update ${package}:\n${output}")
endif()

if(PKCS12)
  include(${CMAKE_CURRENT_LIST_DIR}/../cmake/sign_files.cmake)
  tarnwell_sign_files(${package})
endif()

get_filename_component(output_folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_folder})
file(RENAME ${package} ${OUTPUT})
message(STATUS "Built: ${OUTPUT} (version ${VERSION}, ProductCode {${product_code}})")
