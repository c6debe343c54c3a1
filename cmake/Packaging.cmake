# The Debian package (scripts/package.sh runs `cpack -G DEB` on a build): the
# files the install rules put under the prefix /usr, stripped, with the
# libraries they need found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME imbrino)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Imbrino developers")
set(CPACK_PACKAGE_CONTACT "Imbrino developers <imbrino@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "stamp a designed template of text and pictures onto many pictures")
set(CPACK_PACKAGE_DESCRIPTION
    "Imbrino stamps a designed template - a background with text and pictures,
each with its opacity, colour key and stacking order - onto one picture or
onto thousands at once. It has a desktop program with a template editor and
a batch window, and imbrino-cli for terminals, scripts, hot folders and job
engines. JPEG pictures can be stamped in their own compressed blocks,
keeping every block the stamp does not touch.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${IMBRINO_HOME_PAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windowing plugins Qt loads at run time, which no library links to.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The look-alike faces the template fonts are mapped to, and the MIME and
# icon caches the desktop files need.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-wqy-zenhei, fonts-wqy-microhei, fonts-arphic-uming, fonts-arphic-ukai, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# What Debian asks of every package: the copyright and a compressed changelog
# (changelog.gz: the package is built from this source as it is, a native one)
# (made while configuring, as the manual page is, with no name or time in it).
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/assets/debian/changelog)
execute_process(COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/assets/debian/changelog
                OUTPUT_FILE ${changelog})
install(FILES ${PROJECT_SOURCE_DIR}/assets/debian/copyright ${changelog}
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/imbrino)
# Installing (and so packing) takes the programs as built; scripts/package.sh
# builds just those rather than every test and benchmark.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
