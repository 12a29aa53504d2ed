# Builds the Windows Installer package from an application folder:
#   cmake -DDIST=<application folder> -DACTIONS_DLL=<printer_actions.dll>
#         -DICON=<app.ico> -DVERSION=<x.y.z> -DOUTPUT=<file.msi> -DWORK=<scratch folder>
#         [-DCONTACT=<support address>] [-DHELP_URL=<url>] [-DABOUT_URL=<url>]
#         [-DSOURCE_DATE_EPOCH=<seconds since 1970>]
#         [-DPKCS12=... -DPASSWORD_FILE=... -DTIMESTAMP_URL=... -DOSSLSIGNCODE=...]
#         [-DRELEASE=ON: refuse the example support address]
#         -P build_msi.cmake
# The build runs it for the release package; the tests run it for packages
# of other versions and contents. With a certificate the package is signed.
# The same inputs give the same bytes: every time stamp in the package comes
# from SOURCE_DATE_EPOCH (by default the commit's time), and its PackageCode
# from its content.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/source_date_epoch.cmake)
if(NOT SOURCE_DATE_EPOCH)
  tarnwell_source_date_epoch(SOURCE_DATE_EPOCH ${CMAKE_CURRENT_LIST_DIR}/..)
endif()
# Debian's python modules (python3-pefile, python3-olefile) are the system
# interpreter's.
set(python /usr/bin/python3)

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
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/support_address.cmake)
tarnwell_check_support_address("${CONTACT}" "${RELEASE}")

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

# The ProductCode follows the version and the content: the same files (and
# Programs and Features texts) give the same code in every build, any change
# a new one, so that a rebuilt package of the same version is a product of
# its own (which replaces the installed one only in a development build,
# below).
string(REGEX MATCH "UpgradeCode=\"([0-9A-F-]+)\"" _ "${wxs_text}")
set(upgrade_code ${CMAKE_MATCH_1})
file(GLOB_RECURSE dist_files RELATIVE ${DIST} LIST_DIRECTORIES false ${DIST}/*)
list(SORT dist_files)
set(content "${VERSION}\n")
foreach(file IN LISTS dist_files)
  file(SHA256 ${DIST}/${file} hash)
  string(APPEND content "app/${file} ${hash}\n")
endforeach()
foreach(file ${ACTIONS_DLL} ${ICON} ${wxs})
  get_filename_component(name ${file} NAME)
  file(SHA256 ${file} hash)
  string(APPEND content "${name} ${hash}\n")
endforeach()
# What Programs and Features shows is part of the package too.
string(APPEND content "contact ${CONTACT}\nhelp ${HELP_URL}\nabout ${ABOUT_URL}\n")
if(NOT RELEASE)
  string(APPEND content "development build\n")
endif()
string(SHA256 content_hash "${content}")
string(UUID product_code NAMESPACE ${upgrade_code}
       NAME "Tarnwell PDF Printer Software ${VERSION} ${content_hash}" TYPE SHA1 UPPER)

# wixl finds sources relative to where it runs. The cabinet keeps each
# file's modification time: the copies get the build's moment.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${DIST}/ DESTINATION ${WORK}/app)
file(COPY_FILE ${ACTIONS_DLL} ${WORK}/printer_actions.dll)
file(COPY_FILE ${ICON} ${WORK}/app.ico)
file(GLOB_RECURSE work_files LIST_DIRECTORIES true ${WORK}/*)
execute_process(
    COMMAND touch -h -d @${SOURCE_DATE_EPOCH} ${work_files}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "build_msi.cmake: could not set the files' times in ${WORK}")
endif()

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

# Runs one SQL statement on the package.
function(update_package query)
  execute_process(
      COMMAND msibuild ${package} -q "${query}"
      RESULT_VARIABLE result
      OUTPUT_VARIABLE output
      ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "msibuild could not update ${package} (${query}):\n${output}")
  endif()
endfunction()

function(export_table table variable)
  execute_process(
      COMMAND msiinfo export ${package} ${table}
      RESULT_VARIABLE result
      OUTPUT_VARIABLE rows)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "msiinfo could not read the ${table} table of ${package}")
  endif()
  set(${variable} "${rows}" PARENT_SCOPE)
endfunction()

# INSTALLPRINTER, REMOVEPRINTER, PRINTERTIMEOUT and PRINTERUPDATE are deliberately not
# secure properties (wixl ignores Secure="yes" anyway): a standard user's
# repair must not steer the LocalSystem printer step. Administrators' and
# LocalSystem's command lines, and transforms, pass them all the same.

# Short names (8.3) beside the long ones, which validation (ICE03) wants and
# wixl leaves out: each File, Directory and Shortcut with a ShortName in the
# source gets "SHORT~1.EXT|Long name".
foreach(kind "File;File;FileName" "Directory;Directory;DefaultDir" "Shortcut;Shortcut;Name")
  list(GET kind 0 element)
  list(GET kind 1 table)
  list(GET kind 2 column)
  string(REGEX MATCHALL "<${element} [^>]*ShortName=\"[^\"]+\"" elements "${wxs_text}")
  foreach(found IN LISTS elements)
    string(REGEX MATCH " Id=\"([A-Za-z]+)\"" _ "${found}")
    set(id ${CMAKE_MATCH_1})
    string(REGEX MATCH " Name=\"([^\"]+)\"" _ "${found}")
    set(long_name "${CMAKE_MATCH_1}")
    string(REGEX MATCH " ShortName=\"([^\"]+)\"" _ "${found}")
    update_package("UPDATE `${table}` SET `${column}` = '${CMAKE_MATCH_1}|${long_name}' WHERE `${table}` = '${id}'")
  endforeach()
endforeach()

# Programs and Features: whom to ask, and the links when the build has them.
foreach(pair "ARPCONTACT;${CONTACT}" "ARPHELPLINK;${HELP_URL}" "ARPURLINFOABOUT;${ABOUT_URL}")
  string(REGEX REPLACE "^([A-Z]+);(.*)$" "\\1" name "${pair}")
  string(REGEX REPLACE "^([A-Z]+);(.*)$" "\\2" value "${pair}")
  if(value STREQUAL "")
    continue()
  endif()
  if(value MATCHES "'")
    message(FATAL_ERROR "build_msi.cmake: ${name} may not hold a quote: ${value}")
  endif()
  update_package("INSERT INTO `Property` (`Property`, `Value`) VALUES ('${name}', '${value}')")
endforeach()

# A development build says so in Programs and Features (its comment line);
# its name stays the product's, which detection rules and tests read.
if(NOT RELEASE)
  update_package("INSERT INTO `Property` (`Property`, `Value`) VALUES ('ARPCOMMENTS', 'Development build, not for distribution')")
endif()

# wixl writes no file versions: without them Windows Installer takes the
# programs for unversioned files and keeps an installed copy in a repair or
# an upgrade. Each program's version and language come from its version block.
# wixl hashes every file; a hash is for unversioned files only (ICE60), so a
# file that gets its version loses its MsiFileHash row.
string(REGEX MATCHALL "<File Id=\"[A-Za-z]+\"[^>]*Source=\"app/[^\"]+\"" file_elements "${wxs_text}")
foreach(element IN LISTS file_elements)
  string(REGEX MATCH "Id=\"([A-Za-z]+)\"" _ "${element}")
  set(file_id ${CMAKE_MATCH_1})
  string(REGEX MATCH "Source=\"app/([^\"]+)\"" _ "${element}")
  execute_process(
      COMMAND ${python} ${CMAKE_CURRENT_LIST_DIR}/file_version.py ${DIST}/${CMAKE_MATCH_1}
      RESULT_VARIABLE result
      OUTPUT_VARIABLE version_and_language
      OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "build_msi.cmake: could not read the version of ${CMAKE_MATCH_1}")
  endif()
  if(version_and_language MATCHES "^([0-9.]+)\t([0-9]*)$")
    update_package("UPDATE `File` SET `Version` = '${CMAKE_MATCH_1}', `Language` = '${CMAKE_MATCH_2}' WHERE `File` = '${file_id}'")
    update_package("DELETE FROM `MsiFileHash` WHERE `File_` = '${file_id}'")
  endif()
endforeach()

# wixl ignores Execute="rollback" on a DLL action: the rollback steps get
# their type here (DLL 1 + continue 64 + rollback 256 + in-script 1024 +
# no impersonation 2048).
foreach(action RollbackInstallPrinter RollbackRemovePrinter RollbackUpgradePrinter)
  update_package("UPDATE `CustomAction` SET `Type` = 3393 WHERE `Action` = '${action}'")
endforeach()

# Progress text for the printer steps, which can run for as long as
# PRINTERTIMEOUT: the progress bar shows it while each one runs. wixl makes
# no ActionText table; its columns are Windows Installer's own.
update_package("CREATE TABLE `ActionText` (`Action` CHAR(72) NOT NULL, `Description` LONGCHAR LOCALIZABLE, `Template` LONGCHAR LOCALIZABLE PRIMARY KEY `Action`)")
foreach(pair
    "InstallPrinter;Installing the PDF printer Quellmark PDF Setup (this can take some minutes)"
    "RollbackInstallPrinter;Removing the PDF printer Quellmark PDF Setup again"
    "RemovePrinter;Removing the PDF printer Quellmark PDF Setup (this can take some minutes)"
    "RollbackRemovePrinter;Installing the PDF printer Quellmark PDF Setup again"
    "RollbackUpgradePrinter;Installing the PDF printer Quellmark PDF Setup again")
  list(GET pair 0 action)
  list(GET pair 1 text)
  update_package("INSERT INTO `ActionText` (`Action`, `Description`) VALUES ('${action}', '${text}')")
endforeach()

# The old version is removed inside the new one's transaction, so a failed
# upgrade rolls back to it whole. In a development build a rebuilt package
# of the same version replaces the installed one (VersionMaxInclusive, 512)
# while the newer-version check stays exclusive. A release build replaces
# only older versions, and takes an installed build of its own version for
# a newer one (VersionMinInclusive, 256, on the detection row): two builds
# of one version never replace each other, nor install side by side.
export_table(InstallExecuteSequence sequence)
if(NOT sequence MATCHES "\nInstallInitialize\t\t1500\r?\n")
  message(FATAL_ERROR "build_msi.cmake: InstallInitialize is not at 1500")
endif()
update_package("UPDATE `InstallExecuteSequence` SET `Sequence` = 1501 WHERE `Action` = 'RemoveExistingProducts'")
# Attributes is part of the Upgrade table's key, so the row is made anew.
update_package("DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'")
if(RELEASE)
  set(upgrade_attributes 1)  # migrate features
  update_package("DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_DOWNGRADE_DETECTED'")
  update_package("INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `Attributes`, `ActionProperty`) VALUES ('{${upgrade_code}}', '${VERSION}', 258, 'WIX_DOWNGRADE_DETECTED')")
  update_package("UPDATE `LaunchCondition` SET `Description` = 'A newer version of Tarnwell PDF Printer Software, or another build of this version, is already installed.' WHERE `Condition` = 'NOT WIX_DOWNGRADE_DETECTED'")
else()
  set(upgrade_attributes 513)  # migrate features, same version included
endif()
update_package("INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('{${upgrade_code}}', '${VERSION}', ${upgrade_attributes}, 'WIX_UPGRADE_DETECTED')")

# The summary: its PackageCode is derived from the finished tables and
# files (the package's bytes with a placeholder code), and its dates are the
# build's moment, not the time wixl ran.
string(REGEX MATCH "<Package [^>]*Manufacturer=\"([^\"]+)\"" _ "${wxs_text}")
set(author "${CMAKE_MATCH_1}")
function(set_summary package_code)
  execute_process(
      COMMAND msibuild ${package} -s "Tarnwell PDF Printer Software ${VERSION}" "${author}"
              "Intel;1033" "{${package_code}}"
      RESULT_VARIABLE result
      OUTPUT_VARIABLE output
      ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "msibuild could not write the summary of ${package}:\n${output}")
  endif()
  execute_process(
      COMMAND ${python} ${CMAKE_CURRENT_LIST_DIR}/summary_dates.py ${package} ${SOURCE_DATE_EPOCH}
      RESULT_VARIABLE result
      OUTPUT_VARIABLE output
      ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "summary_dates.py could not date the summary of ${package}:\n${output}")
  endif()
endfunction()
set_summary(00000000-0000-0000-0000-000000000000)
file(SHA256 ${package} package_hash)
string(UUID package_code NAMESPACE ${upgrade_code}
       NAME "Tarnwell PDF Printer Software package ${package_hash}" TYPE SHA1 UPPER)
set_summary(${package_code})

if(PKCS12)
  include(${CMAKE_CURRENT_LIST_DIR}/../cmake/sign_files.cmake)
  tarnwell_sign_files(${package})
endif()

get_filename_component(output_folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_folder})
file(RENAME ${package} ${OUTPUT})
message(STATUS "Built: ${OUTPUT} (version ${VERSION})")
message(STATUS "ProductCode: {${product_code}}")
message(STATUS "PackageCode: {${package_code}}")
file(WRITE ${WORK}/product-code.txt "{${product_code}}\n")
