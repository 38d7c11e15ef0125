# Installing PenShelf (make install) and its Debian package (make package).
include(GNUInstallDirs)

set(PENSHELF_APP_ID org.penshelf.penshelf)

install(TARGETS penshelf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET penshelf-cli)
  install(TARGETS penshelf-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/data/${PENSHELF_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/${PENSHELF_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/org.penshelf.PenShelf.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Binding every symbol at start lets the loader make the GOT read-only, as
# Debian's hardened builds do.
foreach(program penshelf penshelf-cli)
  if(TARGET ${program})
    target_link_options(${program} PRIVATE -Wl,-z,now)
  endif()
endforeach()

# Manual pages carry the version and go out gzip'd; -n keeps the package
# reproducible (no name or time stamp in the .gz).
set(manPages)
foreach(program penshelf penshelf-cli)
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${program}.1.in ${page} @ONLY)
  add_custom_command(OUTPUT ${page}.gz
                     COMMAND gzip -9nkf ${page}
                     DEPENDS ${page} ${PROJECT_SOURCE_DIR}/docs/man/${program}.1.in
                     VERBATIM)
  list(APPEND manPages ${page}.gz)
endforeach()
# Debian wants a changelog, in its own format, beside the copyright.
set(changelog ${PROJECT_BINARY_DIR}/changelog)
add_custom_command(OUTPUT ${changelog}.gz
                   COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/data/changelog ${changelog}
                   COMMAND gzip -9nf ${changelog}
                   DEPENDS ${PROJECT_SOURCE_DIR}/data/changelog
                   VERBATIM)
add_custom_target(package-docs ALL DEPENDS ${manPages} ${changelog}.gz)
install(FILES ${manPages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${changelog}.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME penshelf)
set(CPACK_PACKAGE_VENDOR "The PenShelf developers")
set(CPACK_PACKAGE_CONTACT "The PenShelf developers <penshelf@penshelf.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion for point-reading pens")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "PenShelf manages the book packages on the point-reading pens for children\n"
    "that attach to a computer as USB disks. It finds the pens as they are\n"
    "plugged in and shows each pen's identity code and free space and the list\n"
    "of its book packages. It installs book packages onto a pen, or onto several\n"
    "pens at once, removes them, backs a pen's books up and restores them, copies\n"
    "the books of one pen onto another, checks and repairs a pen's books and file\n"
    "system, and ejects pens. Its tabs show the vendor's book and repair pages,\n"
    "and book packages downloaded there go straight onto the pen.\n"
    "\n"
    "penshelf-cli does the same with pens and books from a terminal or a script.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The programs go in stripped and their debug information stays in the build
# tree. CMake 3.25's debug package (CPACK_DEBIAN_DEBUGINFO_PACKAGE) is not one
# Debian takes: its md5sums name the build folder's paths, and it lacks a
# copyright file.
set(CPACK_STRIP_FILES ON)
# The libraries come from the programs themselves; what they load at run time
# (the web engine's helper process, the SVG icon engine) is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6webenginecore6-bin, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udisks2, dosfstools, eject, fonts-wqy-microhei | fonts-noto-cjk")
include(CPack)
