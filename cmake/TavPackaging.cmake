# What `cmake --install` puts where a Debian desktop expects it, and the
# Debian package made from the same files (`cpack -G DEB`). The programs
# themselves are installed by their own folders.
set(TAV_APP_ID org.example.tav_outliner)
set(TAV_DATA_DIR ${CMAKE_INSTALL_DATADIR}/tav-outliner)
set(TAV_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tav-outliner)

# The manual and the sample page, found by the program in its data folder.
install(FILES "resources/${TAV_MANUAL_NAME}" resources/sample/sample.data resources/sample/sample.json
        DESTINATION ${TAV_DATA_DIR})

# The desktop: the menu entry, the page file type and the catalogue entry.
install(FILES resources/desktop/tav-outliner.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/desktop/tav-outliner-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME tav-outliner.xml)
configure_file(resources/desktop/${TAV_APP_ID}.metainfo.xml.in ${TAV_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${TAV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The program's icon, for the menu entry and for page files.
foreach(size 16 32 48 64 128 256)
  install(FILES resources/icons/tav-outliner-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tav-outliner.png)
endforeach()
install(FILES resources/icons/tav-outliner.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The licence, the change log and the manual pages where Debian looks for them.
set(gzipped)
foreach(source resources/debian/changelog resources/man/tav-outliner.1 resources/man/tavpub.1)
  get_filename_component(name ${source} NAME)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/${source} > ${output}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source} VERBATIM)
  list(APPEND gzipped ${output})
endforeach()
add_custom_target(tav_gzipped_docs ALL DEPENDS ${gzipped})
list(POP_FRONT gzipped changelog_gz)
install(FILES resources/debian/copyright ${changelog_gz} DESTINATION ${TAV_DOC_DIR})
install(FILES ${gzipped} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tav-outliner)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Tav Outliner developers <dev@tav-outliner.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "outline processor for Japanese web pages")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tav-outliner.example.org/")
# The synopsis is the summary above; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tav Outliner edits a web page as an outline of named nodes, each holding a
piece of HTML. Saving writes the page file and generates the HTML page in
ISO-2022-JP, Shift_JIS or EUC-JP; saved pages are queued and sent to their
web servers over FTP. The package also holds tavpub, a command-line tool
for batch publishing and Japanese code conversion.")
# The libraries the programs link are found by dpkg-shlibdeps; Qt's
# platform plugins and its Japanese translations are loaded at run time and
# are named here, and so is the preview's helper process, which no library
# package of Qt WebEngine depends on.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
if(TARGET tav_preview)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt6webenginecore6-bin")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, xdg-utils")
include(CPack)
