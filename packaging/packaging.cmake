# Installation and packages (included last by the top-level CMakeLists.txt,
# once every program target exists).
#
# `cmake --install build --prefix DIR` lays out a program folder: Vantor keeps
# its files beside its executable, so DIR holds the executables and the files
# it writes will land there too. Under /usr and /usr/local it lays out the
# system installation of the Debian package instead (VANTOR_INSTALL_LAYOUT
# forces one or the other). `cpack` makes the archive of the program folder
# and the Debian package; scripts/package.sh does it all and checks it.

set(VANTOR_APP_ID "org.vantor.vantor")
set(VANTOR_INSTALL_LAYOUT "auto" CACHE STRING
    "auto (system under /usr and /usr/local, else folder), folder or system")
set_property(CACHE VANTOR_INSTALL_LAYOUT PROPERTY STRINGS auto folder system)
set(VANTOR_PACKAGE_MAINTAINER "The Vantor developers <maintainers@vantor.example>" CACHE STRING
    "Maintainer of the Debian package, as Name <address>")

set(VANTOR_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(VANTOR_PACKAGING_BINARY_DIR ${PROJECT_BINARY_DIR}/packaging)

# ---- generated files ----

# The icon in the hicolor sizes, drawn by the program's own artwork code.
add_executable(vantor-icon ${VANTOR_PACKAGING_DIR}/render_icon.cpp)
target_link_libraries(vantor-icon PRIVATE vantor_core Qt6::Gui)
set(VANTOR_ICON_SIZES 16 22 24 32 48 64 128 256)
set(VANTOR_ICON_DIR ${VANTOR_PACKAGING_BINARY_DIR}/hicolor)
set(vantor_icon_files "")
foreach(size IN LISTS VANTOR_ICON_SIZES)
  list(APPEND vantor_icon_files ${VANTOR_ICON_DIR}/${size}x${size}/apps/${VANTOR_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${vantor_icon_files}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:vantor-icon> render ${VANTOR_ICON_DIR} ${VANTOR_APP_ID} ${VANTOR_ICON_SIZES}
  DEPENDS vantor-icon
  COMMENT "Drawing the program's icon"
  VERBATIM)

configure_file(${VANTOR_PACKAGING_DIR}/vantor.desktop.in
               ${VANTOR_PACKAGING_BINARY_DIR}/${VANTOR_APP_ID}.desktop @ONLY)
configure_file(${VANTOR_PACKAGING_DIR}/vantor.metainfo.xml.in
               ${VANTOR_PACKAGING_BINARY_DIR}/${VANTOR_APP_ID}.metainfo.xml @ONLY)

# The launcher of each layout: the system package never writes beside its files.
foreach(layout folder system)
  if(layout STREQUAL "system")
    set(VANTOR_SYSTEM_INSTALL 1)
  else()
    set(VANTOR_SYSTEM_INSTALL 0)
  endif()
  configure_file(${VANTOR_PACKAGING_DIR}/vantor-launcher.in
                 ${VANTOR_PACKAGING_BINARY_DIR}/${layout}/vantor-launcher
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                 GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()

# Manual pages and the changelog, compressed as Debian wants them: gzip -9,
# without name or time stamp so that the package builds the same every time.
set(vantor_gzipped "")
foreach(file man/vantor.1 man/vantor-store.1 debian/changelog)
  get_filename_component(name ${file} NAME)
  set(source ${VANTOR_PACKAGING_DIR}/${file})
  if(EXISTS ${source}.in)
    set(source ${source}.in)
  endif()
  configure_file(${source} ${VANTOR_PACKAGING_BINARY_DIR}/${name} @ONLY)
  add_custom_command(OUTPUT ${VANTOR_PACKAGING_BINARY_DIR}/${name}.gz
    COMMAND sh -c "gzip -9nc ${name} > ${name}.gz"
    DEPENDS ${VANTOR_PACKAGING_BINARY_DIR}/${name}
    WORKING_DIRECTORY ${VANTOR_PACKAGING_BINARY_DIR}
    VERBATIM)
  list(APPEND vantor_gzipped ${VANTOR_PACKAGING_BINARY_DIR}/${name}.gz)
endforeach()

add_custom_target(vantor_install_files ALL DEPENDS ${vantor_icon_files} ${vantor_gzipped})

# ---- install rules; destinations follow the layout chosen at install time ----

configure_file(${VANTOR_PACKAGING_DIR}/install_layout.cmake.in
               ${VANTOR_PACKAGING_BINARY_DIR}/install_layout.cmake @ONLY)
configure_file(${VANTOR_PACKAGING_DIR}/install_system_extras.cmake.in
               ${VANTOR_PACKAGING_BINARY_DIR}/install_system_extras.cmake @ONLY)
install(SCRIPT ${VANTOR_PACKAGING_BINARY_DIR}/install_layout.cmake)

set(vantor_programs vantor vantor-store)
if(TARGET notes)
  list(APPEND vantor_programs notes)
endif()
install(TARGETS ${vantor_programs} RUNTIME DESTINATION "\${VANTOR_PROGRAM_DIR}")
install(PROGRAMS "${VANTOR_PACKAGING_BINARY_DIR}/\${VANTOR_LAYOUT}/vantor-launcher"
        DESTINATION "\${VANTOR_PROGRAM_DIR}")

install(FILES ${VANTOR_PACKAGING_BINARY_DIR}/${VANTOR_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${VANTOR_PACKAGING_BINARY_DIR}/${VANTOR_APP_ID}.metainfo.xml DESTINATION share/metainfo)
foreach(size IN LISTS VANTOR_ICON_SIZES)
  install(FILES ${VANTOR_ICON_DIR}/${size}x${size}/apps/${VANTOR_APP_ID}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${VANTOR_PACKAGING_DIR}/icons/vantor.svg
        DESTINATION share/icons/hicolor/scalable/apps RENAME ${VANTOR_APP_ID}.svg)
install(FILES ${VANTOR_PACKAGING_DIR}/debian/copyright DESTINATION share/doc/vantor)

install(SCRIPT ${VANTOR_PACKAGING_BINARY_DIR}/install_system_extras.cmake)

# ---- packages: cpack -G TGZ (the program folder), cpack -G DEB ----

set(CPACK_PACKAGE_NAME vantor)
set(CPACK_PACKAGE_VENDOR "The Vantor developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "show new Lotus Notes mail in a small window as it arrives")
set(CPACK_PACKAGE_FILE_NAME "vantor-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")
set(CPACK_GENERATOR "TGZ;DEB")
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANTOR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; Qt's own translations are loaded, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# The long description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vantor watches up to five Lotus Notes mailboxes from the notification area
and shows each new message in a small window that stays on top at the
bottom-left corner of the screen. From there the message can be answered,
deleted, flagged for follow-up, moved to a folder, or have its attachments
saved. Vantor also archives old mail into a local database and gathers the
results of a phrase search in a folder of the mailbox. Its interface is in
French.
.
Each user's settings, log and mail store live in ~/.local/share/vantor.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)

# ---- the check of both layouts, cheap enough for every test run ----

set(vantor_check_flags "")
if(TARGET notes)
  list(APPEND vantor_check_flags --with-notes)
endif()
# For scripts/package.sh, which runs the check on its own build.
file(WRITE ${VANTOR_PACKAGING_BINARY_DIR}/check-flags "${vantor_check_flags}\n")
if(VANTOR_BUILD_TESTS)
  add_test(NAME packaging_install
    COMMAND ${VANTOR_PACKAGING_DIR}/check-install.sh --build ${PROJECT_BINARY_DIR} ${vantor_check_flags})
  set_tests_properties(packaging_install PROPERTIES LABELS packaging TIMEOUT 120)
endif()
