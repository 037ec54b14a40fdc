# The Debian package: `cmake --build build --target package` makes
# varnex_VERSION_amd64.deb. The installed program finds what it reads in
# /usr/share/varnex beside its /usr/bin (AppPaths::sharedFolder) and keeps each
# user's data in ~/.local/share/varnex (DataFolder).
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(VARNEX_APP_ID org.varnex.Varnex)
set(VARNEX_PKG_DIR ${CMAKE_BINARY_DIR}/package)
set(VARNEX_SHARE ${CMAKE_INSTALL_DATADIR}/varnex)
set(CMAKE_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/varnex)
file(GLOB VARNEX_REPORTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/reports/*.rpt)
# Hardened like Debian's own binaries (relocations read-only, bound at start).
foreach(target varnex varnex-report varnex-utility varnex-server)
  target_link_options(${target} PRIVATE -Wl,-z,relro -Wl,-z,now)
endforeach()

# The databases shipped read-only, made fresh from the seed (never the build's
# live kelid.mdb, which holds whatever was typed into it).
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(GZIP gzip REQUIRED)
set(VARNEX_ICON_SVG ${CMAKE_SOURCE_DIR}/data/desktop/varnex.svg)
set(VARNEX_PKG_OUTPUTS ${VARNEX_PKG_DIR}/demo/kelid.mdb ${VARNEX_PKG_DIR}/DemoDb/kelid1.mdb
  ${VARNEX_PKG_DIR}/icons/48/${VARNEX_APP_ID}.png ${VARNEX_PKG_DIR}/icons/256/${VARNEX_APP_ID}.png)
add_custom_command(OUTPUT ${VARNEX_PKG_DIR}/demo/kelid.mdb ${VARNEX_PKG_DIR}/DemoDb/kelid1.mdb
  COMMAND ${CMAKE_COMMAND} -E rm -f ${VARNEX_PKG_DIR}/demo/kelid.mdb ${VARNEX_PKG_DIR}/DemoDb/kelid1.mdb
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VARNEX_PKG_DIR}/demo ${VARNEX_PKG_DIR}/DemoDb
  COMMAND $<TARGET_FILE:makedb> --demo ${VARNEX_PKG_DIR}/demo/kelid.mdb
  COMMAND $<TARGET_FILE:makedb> --blank ${VARNEX_PKG_DIR}/DemoDb/kelid1.mdb
  DEPENDS makedb ${CMAKE_SOURCE_DIR}/data/seed/plant.seed VERBATIM)
foreach(size 48 256)
  add_custom_command(OUTPUT ${VARNEX_PKG_DIR}/icons/${size}/${VARNEX_APP_ID}.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VARNEX_PKG_DIR}/icons/${size}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${VARNEX_ICON_SVG} -o ${VARNEX_PKG_DIR}/icons/${size}/${VARNEX_APP_ID}.png
    DEPENDS ${VARNEX_ICON_SVG} VERBATIM)
endforeach()

# Man pages and the changelog, versioned and compressed without timestamps.
set(VARNEX_COMMANDS varnex varnex-report varnex-utility varnex-server)
foreach(command ${VARNEX_COMMANDS})
  configure_file(${CMAKE_SOURCE_DIR}/data/man/${command}.1 ${VARNEX_PKG_DIR}/man/${command}.1 @ONLY)
  add_custom_command(OUTPUT ${VARNEX_PKG_DIR}/man/${command}.1.gz
    COMMAND ${GZIP} -9nf ${command}.1 -c > ${command}.1.gz
    WORKING_DIRECTORY ${VARNEX_PKG_DIR}/man DEPENDS ${VARNEX_PKG_DIR}/man/${command}.1)
  list(APPEND VARNEX_PKG_OUTPUTS ${VARNEX_PKG_DIR}/man/${command}.1.gz)
  install(FILES ${VARNEX_PKG_DIR}/man/${command}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/data/package/changelog ${VARNEX_PKG_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${VARNEX_PKG_DIR}/changelog.gz
  COMMAND ${GZIP} -9nf changelog -c > changelog.gz
  WORKING_DIRECTORY ${VARNEX_PKG_DIR} DEPENDS ${VARNEX_PKG_DIR}/changelog)
list(APPEND VARNEX_PKG_OUTPUTS ${VARNEX_PKG_DIR}/changelog.gz)
configure_file(${CMAKE_SOURCE_DIR}/data/desktop/${VARNEX_APP_ID}.metainfo.xml
  ${VARNEX_PKG_DIR}/${VARNEX_APP_ID}.metainfo.xml @ONLY)
add_custom_target(packagefiles ALL DEPENDS ${VARNEX_PKG_OUTPUTS})

install(TARGETS varnex varnex-report varnex-utility varnex-server RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VARNEX_REPORTS} DESTINATION ${VARNEX_SHARE})
install(FILES ${CMAKE_SOURCE_DIR}/data/help/VXHelp.hlp DESTINATION ${VARNEX_SHARE}/KEL)
install(FILES ${VARNEX_PKG_DIR}/demo/kelid.mdb DESTINATION ${VARNEX_SHARE}/demo)
install(FILES ${VARNEX_PKG_DIR}/DemoDb/kelid1.mdb DESTINATION ${VARNEX_SHARE}/DemoDb)
install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/${VARNEX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VARNEX_PKG_DIR}/${VARNEX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${VARNEX_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${VARNEX_APP_ID}.svg)
foreach(size 48 256)
  install(FILES ${VARNEX_PKG_DIR}/icons/${size}/${VARNEX_APP_ID}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/data/package/copyright ${VARNEX_PKG_DIR}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Varnex developers <varnex@varnex.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "quality inspection records and reports for manufacturing")
# The synopsis is the summary above; this is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Varnex records every unit inspected on a production floor as a pass, or as
one row per defect found, and prints the quality reports made from those
rows: first pass yields, a Pareto of defects, inspection escapes, defects by
operator and by model, yield trends with control limits.

It works on one database file in each user's data folder or on a plant's
shared PostgreSQL server, and comes with command-line tools to run reports,
back up, compact and set up the server.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The X11 (xcb) platform plugin is loaded at run time, so shlibdeps cannot
# see it; it comes in its own package.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
