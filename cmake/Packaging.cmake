# Installing PenShelf (make install) and its Debian package (make package).
include(GNUInstallDirs)

install(TARGETS penshelf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET penshelf-cli)
  install(TARGETS penshelf-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/data/org.penshelf.penshelf.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/org.penshelf.penshelf.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/org.penshelf.PenShelf.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME penshelf)
set(CPACK_PACKAGE_VENDOR "The PenShelf developers")
set(CPACK_PACKAGE_CONTACT "The PenShelf developers <penshelf@penshelf.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion for point-reading pens")
set(CPACK_PACKAGE_DESCRIPTION
    "PenShelf finds the point-reading pens plugged into the computer, shows each pen's identity code and free space, lists the book packages on it, installs and removes book packages, and ejects the pen. A command line, penshelf-cli, does the same for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries come from the programs themselves; what they load at run time
# (the web engine's helper process, the SVG icon engine) is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6webenginecore6-bin, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udisks2, dosfstools, eject, fonts-wqy-microhei | fonts-noto-cjk")
include(CPack)
