# The Debian packages (cpack -G DEB), one per install component:
#   libkorva2d-vr0      runtime      the engine and platform libraries, the machine-wide manifest, vr-regsvr
#   libkorva2d-vr-dev   development  headers, links for the linker, pkg-config, CMake package, examples,
#                                    the guide, the sample assets and the demo
#   vortex-raiders      game         the game, its desktop entry and icon
#   vortex-scores       server       the score server (SQLite, PostgreSQL and HTTP; no SDL)
# Each holds usr/share/doc/PACKAGE/copyright (machine-readable, from LICENSE) and
# changelog.gz. The packages' own dependencies come from dpkg-shlibdeps; those
# between them are exact versions, as they are built together.
set(VR_PACKAGE_MAINTAINER "Vortex Raiders maintainers <maintainers@vortex-raiders.invalid>"
    CACHE STRING "The Maintainer field of the Debian packages")
set(VR_DEB_COMPONENTS runtime development game server)
set(VR_DEB_NAME_runtime libkorva2d-vr${KORVA2D_SOVERSION})
set(VR_DEB_NAME_development libkorva2d-vr-dev)
set(VR_DEB_NAME_game vortex-raiders)
set(VR_DEB_NAME_server vortex-scores)

# ---- usr/share/doc/PACKAGE/copyright and changelog.gz in each package ----
file(READ ${PROJECT_SOURCE_DIR}/LICENSE vr_license)
string(REGEX MATCH "^Copyright \\(c\\) ([^\n]*)\n\n" vr_notice "${vr_license}")
set(vr_copyright_holder "${CMAKE_MATCH_1}")
string(LENGTH "${vr_notice}" vr_notice_length)
string(SUBSTRING "${vr_license}" ${vr_notice_length} -1 vr_license_text)
string(STRIP "${vr_license_text}" vr_license_text)
string(REGEX REPLACE "\n\n" "\n.\n" vr_license_text "${vr_license_text}")
string(REGEX REPLACE "\n" "\n " vr_license_text "${vr_license_text}")
set(VR_DEB_FILES ${CMAKE_CURRENT_BINARY_DIR}/debian)
file(WRITE ${VR_DEB_FILES}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Vortex Raiders
Upstream-Contact: ${VR_PACKAGE_MAINTAINER}

Files: *
Copyright: ${vr_copyright_holder}
License: Zlib

License: Zlib
 ${vr_license_text}
")
string(TIMESTAMP vr_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${VR_DEB_FILES}/changelog
"vortex-raiders (${PROJECT_VERSION}) unstable; urgency=medium

  * Vortex Raiders ${PROJECT_VERSION} with Korva2D_VR ${KORVA2D_VERSION}.

 -- ${VR_PACKAGE_MAINTAINER}  ${vr_changelog_date}
")
execute_process(COMMAND ${VR_GZIP} -9nc ${VR_DEB_FILES}/changelog
  OUTPUT_FILE ${VR_DEB_FILES}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
foreach(component IN LISTS VR_DEB_COMPONENTS)
  install(FILES ${VR_DEB_FILES}/copyright ${VR_DEB_FILES}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VR_DEB_NAME_${component}} COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

# ---- the packages ----
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${VR_DEB_COMPONENTS})
set(CPACK_PACKAGE_NAME vortex-raiders)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vortex Raiders developers")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SOURCE vortex-raiders)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The project's own libraries, which the other packages' programs link, are
# found in the build; their package comes from the dependencies between packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${VR_BIN_DIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_STRIP_FILES ON)
foreach(component IN LISTS VR_DEB_COMPONENTS)
  string(TOUPPER ${component} c)
  set(CPACK_DEBIAN_${c}_PACKAGE_NAME ${VR_DEB_NAME_${component}})
endforeach()

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# ldconfig runs on dpkg's trigger (CPack's scripts also call it).
file(WRITE ${VR_DEB_FILES}/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${VR_DEB_FILES}/triggers)
# What is loaded or run by name besides the linked libraries: Liberation Sans
# stands in for Arial; xdg-open opens web pages.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS fonts-liberation)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "Korva2D_VR 2D engine library for games
Korva2D_VR draws sprites that turn, scale and fade, bitmap-font and system-font
text, reads the keyboard and the mouse, plays sound effects and music, and
limits the frame rate, on SDL2. Programs create its classes by class identity
through the platform library it ships with, libvrplatform, which this package
holds too, with the machine-wide class manifest and the registration tool
vr-regsvr.")

set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "Korva2D_VR 2D engine library for games - development files
The headers (C++20), the pkg-config file and the CMake package
(find_package(Korva2D)) for building programs with Korva2D_VR, its guide, the
documented examples with a CMakeLists.txt that builds them, the sample assets
they use, and the korva2d-demo program that shows the whole library at work.")

set(CPACK_COMPONENT_GAME_DEPENDS runtime)
set(CPACK_DEBIAN_GAME_PACKAGE_SECTION games)
set(CPACK_DEBIAN_GAME_DESCRIPTION "single-player shoot-'em-up in a vortex
Vortex Raiders: steer the ship with the mouse, fire with its buttons, and
shoot down the raiders that come out of the vortex. The best ten scores are
kept, and can be uploaded to a score server.")

set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
# The game proves the recorded runs sent to the server (vortex-scores --verifier).
set(CPACK_DEBIAN_SERVER_PACKAGE_RECOMMENDS vortex-raiders)
set(CPACK_DEBIAN_SERVER_DESCRIPTION "score server for Vortex Raiders
vortex-scores takes the score tables that Vortex Raiders uploads and serves
the score page. It keeps them in SQLite or in a PostgreSQL database shared by
any number of servers. With the game installed, it plays back the recording
of each uploaded run and marks the scores that their recordings prove.")
include(CPack)
