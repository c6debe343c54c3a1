# Where a Linux desktop looks for what Imbrino brings besides its programs:
# the file type of templates and their previews in file managers, the
# command line's manual page and bash completion, the software centre's
# entry and the icons. Included from the top-level CMakeLists.txt on UNIX.

set(linux_assets ${PROJECT_SOURCE_DIR}/assets/linux)
set(icon_sizes 16 32 48 64 128 256)

# Templates: their type (for *.src files that start as a template does), its
# icon, and previews drawn by imbrino-cli.
install(FILES ${linux_assets}/imbrino-template.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${linux_assets}/imbrino.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
foreach(size ${icon_sizes})
  install(FILES ${linux_assets}/icons/${size}/application-x-imbrino-template.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/mimetypes)
endforeach()

# The manual page, compressed as man expects it when gzip is there. Made
# while configuring, so that installing needs no particular target built;
# editing the page configures again.
set(man_page ${linux_assets}/imbrino-cli.1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${man_page})
find_program(IMBRINO_GZIP gzip)
if(IMBRINO_GZIP)
  set(man_page_gz ${CMAKE_CURRENT_BINARY_DIR}/imbrino-cli.1.gz)
  # -n leaves out the name and time, so the file is the same on every build.
  execute_process(COMMAND ${IMBRINO_GZIP} -9 -n -c ${man_page} OUTPUT_FILE ${man_page_gz}
                  RESULT_VARIABLE gzip_result)
  if(gzip_result EQUAL 0)
    set(man_page ${man_page_gz})
  endif()
endif()
install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The desktop program's own page, compressed the same way.
if(IMBRINO_BUILD_GUI)
  set(program_page ${linux_assets}/Imbrino.1)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${program_page})
  if(IMBRINO_GZIP)
    execute_process(COMMAND ${IMBRINO_GZIP} -9 -n -c ${program_page}
                    OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/Imbrino.1.gz)
    set(program_page ${CMAKE_CURRENT_BINARY_DIR}/Imbrino.1.gz)
  endif()
  install(FILES ${program_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

install(FILES ${linux_assets}/imbrino-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME imbrino-cli)

# The desktop program's entry in software centres and its icon.
if(IMBRINO_BUILD_GUI)
  install(FILES ${linux_assets}/io.github.imbrino.Imbrino.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size ${icon_sizes})
    install(FILES ${linux_assets}/icons/${size}/imbrino.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()
