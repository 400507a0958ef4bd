# The Debian package: `cpack -G DEB` in the build folder (scripts/package
# builds it and runs Debian's checks on it). Everything the package carries
# besides the program is installed here: the manual pages, the AppStream
# metadata, the icon theme and the documentation files Debian requires.

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/kelvara)

# Debian wants manual pages and changelogs compressed, reproducibly (-n: no
# name or time stamp in the gzip header).
find_program(KELVARA_GZIP gzip REQUIRED)
set(compressed)
foreach(source man/kelvara.1 man/kelvara-design.1 changelog)
  get_filename_component(name ${source} NAME)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
    COMMAND ${KELVARA_GZIP} -9nc ${packaging}/${source} > ${out}
    DEPENDS ${packaging}/${source}
    COMMENT "Compressing ${name}"
    VERBATIM)
  list(APPEND compressed ${out})
endforeach()
add_custom_target(kelvara_packaging_files ALL DEPENDS ${compressed})

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/kelvara.1.gz
              ${CMAKE_CURRENT_BINARY_DIR}/packaging/kelvara-design.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging}/copyright DESTINATION ${doc_dir})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${doc_dir})
install(FILES ${packaging}/jp.quor.kelvara.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Where bash-completion looks for the completion of a command (by its name).
install(FILES ${packaging}/bash-completion/kelvara-design DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvara)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kelvara開発チーム")
set(CPACK_PACKAGE_CONTACT "Kelvara開発チーム <kelvara-dev@quor.jp>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "design aid for Sallen-Key active filters")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kelvara.quor.jp/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the window's
# platform plug-ins, the Mincho and Gothic faces, Qt's Japanese texts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-ipafont-mincho, fonts-ipafont-gothic, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ngspice")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The extended description below the summary; CPack indents its lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kelvara designs unity-gain Sallen-Key low-pass and high-pass filters of
order 2 to 8 with Butterworth, Bessel or Chebyshev responses. It computes
every resistor and capacitor, exactly or from the preferred-value series by
an exhaustive search, plots and compares the responses of eight design
sheets, and saves designs to Shift-JIS design files. The user interface is
Japanese.
.
The package also carries kelvara-design, the headless designer for scripts
and batch work, which prints its results as JSON or CSV.")
include(CPack)
