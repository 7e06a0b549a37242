# What `cmake --install` puts down and what CPack packs: for Windows a ZIP a host author
# takes (the library, its header, import libraries for MinGW and Microsoft's linker, the
# sample host); for Linux a Debian package with the command, the virtual recorder and its
# ASPI library, their man pages and bash completion.
set(CPACK_PACKAGE_NAME scrivo)
set(CPACK_PACKAGE_VENDOR "Ombrel")
set(CPACK_PACKAGE_CONTACT "Scrivo maintainers <scrivo@ombrel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CD/DVD recording: files to a recordable disc")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
  install(TARGETS scrivo_dll RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
  install(FILES ${CMAKE_BINARY_DIR}/lib/Scrivo.lib DESTINATION lib)
  install(FILES ${PROJECT_SOURCE_DIR}/include/scrivo.h DESTINATION include)
  install(TARGETS scrivo_sample_host RUNTIME DESTINATION bin)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/host/host.c DESTINATION examples/host)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/README-host.txt DESTINATION . RENAME README.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win32)
else()
  # The programs and the ASPI library sit together, where each finds the others; the
  # commands on the PATH are links to them.
  set(_libexec lib/scrivo)
  install(TARGETS scrivo_cli vrecorder RUNTIME DESTINATION ${_libexec})
  install(TARGETS vrecorder_aspi LIBRARY DESTINATION ${_libexec})
  set(_links ${CMAKE_BINARY_DIR}/package-links)
  file(MAKE_DIRECTORY ${_links})
  foreach(cmd scrivo vrecorder)
    file(CREATE_LINK ../${_libexec}/${cmd} ${_links}/${cmd} SYMBOLIC)
    install(FILES ${_links}/${cmd} DESTINATION bin)
  endforeach()

  # Man pages from the commands' own --help, so they never drift from it.
  # Not in the sanitizer builds: they run no package test, and their checks at exit
  # have no business failing a build step.
  find_program(SCRIVO_HELP2MAN help2man)
  if(SCRIVO_HELP2MAN AND NOT SCRIVO_SANITIZE)
    set(_man ${CMAKE_BINARY_DIR}/man)
    set(_pages)
    set(_subcommands image drives info ls write erase eject load repair wizard)
    foreach(cmd scrivo vrecorder)
      if(cmd STREQUAL "scrivo")
        set(_target scrivo_cli)
        set(_what "write files to recordable CDs and DVDs")
        set(_subs ${_subcommands})
      else()
        set(_target vrecorder)
        set(_what "virtual MMC recorder for testing disc recording")
        set(_subs)
      endif()
      add_custom_command(OUTPUT ${_man}/${cmd}.1.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${_man}
        COMMAND sh ${PROJECT_SOURCE_DIR}/packaging/man-page.sh ${SCRIVO_HELP2MAN} $<TARGET_FILE:${_target}>
          ${_what} ${PROJECT_VERSION} ${_man}/${cmd}.1.gz ${_subs}
        DEPENDS ${_target} ${PROJECT_SOURCE_DIR}/packaging/man-page.sh VERBATIM)
      list(APPEND _pages ${_man}/${cmd}.1.gz)
    endforeach()
    add_custom_target(scrivo_man_pages ALL DEPENDS ${_pages})
    install(FILES ${_pages} DESTINATION share/man/man1)
  else()
    message(STATUS "No man pages: help2man not found, or a sanitizer build")
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/scrivo.bash-completion DESTINATION share/bash-completion/completions
    RENAME scrivo)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/scrivo.bash-completion DESTINATION share/bash-completion/completions
    RENAME vrecorder)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1")
endif()
include(CPack)
