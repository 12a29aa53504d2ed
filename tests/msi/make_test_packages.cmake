# The packages the installer tests need besides the release one, built
# with the release's own script:
#   newer.msi            the application folder at a higher version, with the
#                        newer printer package (NEXT_PACKAGE)
#   failing-printer.msi  a printer package whose setup fails
#   failing-upgrade.msi  the higher version, whose program fails its printer step
#   failing-update.msi   the higher version, whose printer package is newer
#                        (FAILING_NEWER_SETUP) and whose setup fails
#   endless-setup.msi    the release version rebuilt with a setup that never ends
#   rebuilt.msi          the release version rebuilt with other content (its icon)
#   restart.msi          the release version whose program asks for a restart
#   cmake -DDIST=... -DACTIONS_DLL=... -DICON=... -DNEWER_VERSION=...
#         -DFAILING_SETUP=... -DFAILING_NEWER_SETUP=... -DENDLESS_SETUP=... -DRESTART_PROGRAM=... -DNEXT_PACKAGE=...
#         -DBUILD_MSI=... -DOUT=...
#         -P make_test_packages.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})

function(build_package dist version name)
  set(icon ${ICON})
  if(ARGC GREATER 3)
    set(icon ${ARGV3})
  endif()
  execute_process(
      COMMAND ${CMAKE_COMMAND} -DDIST=${dist} -DACTIONS_DLL=${ACTIONS_DLL} -DICON=${icon} -DCONTACT=${CONTACT}
              -DVERSION=${version} -DOUTPUT=${OUT}/${name} -DWORK=${OUT}/work-${name}
              -P ${BUILD_MSI}
      RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Could not build ${name}")
  endif()
endfunction()

set(newer_dist ${OUT}/newer-dist)
file(COPY ${DIST}/ DESTINATION ${newer_dist})
# COPY_FILE, not COPY: COPY skips a file whose time stamp matches to the
# second, and both editions of the package may be linked in the same second.
foreach(program setup.exe uninstall.exe)
  file(COPY_FILE "${NEXT_PACKAGE}/${program}" "${newer_dist}/Quellmark PDF Setup/${program}")
endforeach()
build_package(${newer_dist} ${NEWER_VERSION} newer.msi)

# The release version, so that the failing package takes the release's place.
set(failing_dist ${OUT}/failing-dist)
file(COPY ${DIST}/ DESTINATION ${failing_dist})
file(COPY_FILE ${FAILING_SETUP} "${failing_dist}/Quellmark PDF Setup/setup.exe")
build_package(${failing_dist} ${RELEASE_VERSION} failing-printer.msi)

set(failing_upgrade_dist ${OUT}/failing-upgrade-dist)
file(COPY ${DIST}/ DESTINATION ${failing_upgrade_dist})
file(COPY_FILE ${FAILING_SETUP} "${failing_upgrade_dist}/Tarnwell PDF Printer Software.exe")
build_package(${failing_upgrade_dist} ${NEWER_VERSION} failing-upgrade.msi)

set(failing_update_dist ${OUT}/failing-update-dist)
file(COPY ${DIST}/ DESTINATION ${failing_update_dist})
file(COPY_FILE ${FAILING_NEWER_SETUP} "${failing_update_dist}/Quellmark PDF Setup/setup.exe")
build_package(${failing_update_dist} ${NEWER_VERSION} failing-update.msi)

set(endless_dist ${OUT}/endless-dist)
file(COPY ${DIST}/ DESTINATION ${endless_dist})
file(COPY_FILE ${ENDLESS_SETUP} "${endless_dist}/Quellmark PDF Setup/setup.exe")
build_package(${endless_dist} ${RELEASE_VERSION} endless-setup.msi)

# An icon file with one more byte at its end is still the same picture.
file(COPY_FILE ${ICON} ${OUT}/rebuilt.ico)
file(APPEND ${OUT}/rebuilt.ico " ")
build_package(${DIST} ${RELEASE_VERSION} rebuilt.msi ${OUT}/rebuilt.ico)

set(restart_dist ${OUT}/restart-dist)
file(COPY ${DIST}/ DESTINATION ${restart_dist})
file(COPY_FILE ${RESTART_PROGRAM} "${restart_dist}/Tarnwell PDF Printer Software.exe")
build_package(${restart_dist} ${RELEASE_VERSION} restart.msi)
