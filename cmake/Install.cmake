# `cmake --install` puts the program folder (the executables with Languages/, Templates/,
# ruffle/ and the profile files beside them, as the program expects) into lib/flarecast, links
# the executables into bin, and installs the desktop entry (with the video types the program
# opens, so that "Open with" offers it) and the scalable icon.
include(GNUInstallDirs)
set(FLARECAST_INSTALL_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/flarecast)

set(flarecast_programs flarecast-cli)
if(FLARECAST_BUILD_GUI)
  list(APPEND flarecast_programs flarecast)
endif()
install(TARGETS ${flarecast_programs} RUNTIME DESTINATION ${FLARECAST_INSTALL_PROGRAM_DIR})
install(DIRECTORY ${FLARECAST_PROGRAM_DIR}/Languages ${FLARECAST_PROGRAM_DIR}/Templates ${FLARECAST_PROGRAM_DIR}/ruffle
        DESTINATION ${FLARECAST_INSTALL_PROGRAM_DIR})
install(FILES ${FLARECAST_PROGRAM_DIR}/profile.dat ${FLARECAST_PROGRAM_DIR}/format.dat
        DESTINATION ${FLARECAST_INSTALL_PROGRAM_DIR})

# bin/NAME -> ../lib/flarecast/NAME: the program finds its folder through the link's target.
foreach(program ${flarecast_programs})
  install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${bin}\")
    file(RELATIVE_PATH target \"\${bin}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${FLARECAST_INSTALL_PROGRAM_DIR}/${program}\")
    file(CREATE_LINK \"\${target}\" \"\${bin}/${program}\" SYMBOLIC)
    message(STATUS \"Linking: \${bin}/${program} -> \${target}\")")
endforeach()

if(FLARECAST_BUILD_GUI)
  install(FILES ${PROJECT_SOURCE_DIR}/desktop/flarecast.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/desktop/flarecast.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
