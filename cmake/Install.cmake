# Install rules, the desktop integration and the Debian package (cpack -G DEB, or the `package` target).
include(GNUInstallDirs)

set(RW_APP_ID net.regexworkbench.RegexWorkbench)
set(RW_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(RW_ICON_SVG ${RW_PACKAGING_DIR}/regex-workbench.svg)

install(TARGETS regex-workbench RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${RW_PACKAGING_DIR}/${RW_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${RW_PACKAGING_DIR}/${RW_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${RW_PACKAGING_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/regex-workbench)
install(FILES ${RW_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# PNG sizes for panels and docks that don't draw SVG, made from the one SVG so the two never drift apart.
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  set(RW_ICON_PNGS)
  foreach(size 16 24 32 48 64 128 256)
    set(dir ${PROJECT_BINARY_DIR}/icons/${size}x${size})
    add_custom_command(OUTPUT ${dir}/regex-workbench.png
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${dir}/regex-workbench.png ${RW_ICON_SVG}
      DEPENDS ${RW_ICON_SVG} VERBATIM)
    list(APPEND RW_ICON_PNGS ${dir}/regex-workbench.png)
    install(FILES ${dir}/regex-workbench.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(rw_icons DEPENDS ${RW_ICON_PNGS})
  # Whoever builds the program can install it: the icons come with it.
  add_dependencies(regex-workbench rw_icons)
else()
  message(WARNING "rsvg-convert (Debian: librsvg2-bin) not found: only the SVG icon will be installed")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME regex-workbench)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# No address is published for the maintainers; the Maintainer field names them only.
set(CPACK_PACKAGE_CONTACT "Regex Workbench maintainers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "regular expression workbench (正则表达式工作台)")
set(CPACK_PACKAGE_DESCRIPTION
    "Write a regular expression and try it on a text: every match is listed with its number, its text and "
    "each group; the same pattern replaces every match; results export through a template; a rules "
    "library keeps named patterns.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The dependencies are read from the libraries the program links, so they follow the build.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs in Chinese, and a face that draws the Chinese captions.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-noto-cjk | fonts-wqy-zenhei")
include(CPack)
