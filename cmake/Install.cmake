# `cmake --install build --prefix P` and `cpack -G DEB`: the program folder (both programs, the
# Dialer, the templates, Scripts.txt) in P/lib/vantrel, the commands P/bin/vantrel and
# P/bin/trevask linked to it, the editor's menu entry, the icons and the runner's manual page.
set(VANTREL_PROGRAM_DIR lib/vantrel)

install(TARGETS Trevask Vantrel Dialer Wembic WembicEP RUNTIME DESTINATION ${VANTREL_PROGRAM_DIR})
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Scripts.txt DESTINATION ${VANTREL_PROGRAM_DIR})
# Marks the folder as installed: what the programs write goes to the user's XDG folders.
file(WRITE ${CMAKE_BINARY_DIR}/installed "This program folder is installed; scripts and settings live in the XDG folders.\n")
install(FILES ${CMAKE_BINARY_DIR}/installed DESTINATION ${VANTREL_PROGRAM_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/desktop/icons/hicolor DESTINATION share/icons)
install(FILES ${CMAKE_SOURCE_DIR}/docs/trevask.1 DESTINATION share/man/man1)

# The links and the menu entry name the prefix given at install time, not at configure time.
install(CODE [[
  set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  file(MAKE_DIRECTORY "${root}/bin" "${root}/share/applications")
  foreach(pair "vantrel;Vantrel" "trevask;Trevask")
    list(GET pair 0 command)
    list(GET pair 1 program)
    file(REMOVE "${root}/bin/${command}")
    file(CREATE_LINK "../lib/vantrel/${program}" "${root}/bin/${command}" SYMBOLIC)
  endforeach()
  file(WRITE "${root}/share/applications/vantrel.desktop"
"[Desktop Entry]
Type=Application
Version=1.0
Name=Vantrel
GenericName=FTP script editor
Comment=Write, check and run FTP automation scripts
Exec=${CMAKE_INSTALL_PREFIX}/bin/vantrel
Icon=vantrel
Terminal=false
Categories=Network;FileTransfer;
StartupWMClass=Vantrel
")
  message(STATUS "Installing: ${root}/bin/vantrel, ${root}/bin/trevask, ${root}/share/applications/vantrel.desktop")
]])

set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VERSION 1.5.0)
set(CPACK_PACKAGE_CONTACT "Vantrel maintainers <vantrel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "FTP automation scripts: the Trevask runner and the Vantrel editor")
set(CPACK_PACKAGE_DESCRIPTION "Trevask performs FTP automation scripts unattended (from cron, ssh, a file \
manager or the editor) and logs every step; Vantrel edits, checks and runs them.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The templates stay as built: their slots lie at fixed offsets.
set(CPACK_STRIP_FILES lib/vantrel/Trevask lib/vantrel/Vantrel lib/vantrel/Dialer)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The libraries the programs link (with them Qt's X11 and offscreen display plugins), found by
# dpkg-shlibdeps, and the desktop tools the file-type registration runs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, libglib2.0-bin, libfile-mimeinfo-perl")
include(CPack)
