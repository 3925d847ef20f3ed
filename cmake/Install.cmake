# What `cmake --install` puts under the prefix, and the Debian package CPack makes of it.
include(GNUInstallDirs)

install(TARGETS quillmere RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/man/quillmere.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(QUILLMERE_GUI)
  # The window program itself is installed by app/. It finds the help pages from its own folder.
  install(DIRECTORY help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmere/help)
  install(FILES res/man/Quillmere.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES res/net.orlesk.Quillmere.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES res/net.orlesk.Quillmere.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY res/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VENDOR "Orlesk software")
set(CPACK_PACKAGE_CONTACT "Orlesk software <quillmere@orlesk.net>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps browser favorites in step between machines")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillmere reads the Favorites folder (folders and Internet shortcut files), stores it as a
favorites list on an FTP server, a test account or a mail account, and brings the folders and
links another machine added back into it, without deleting anything. It backs up, restores,
exports and prints the favorites. The package has the window (Quillmere) and the command line
(quillmere).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The shared libraries the programs link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A secret store for the password, and a font for names in Chinese, Japanese and Korean.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring | kwalletmanager, fonts-wqy-microhei | fonts-noto-cjk")
include(CPack)
