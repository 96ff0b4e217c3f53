# Ruffle's web player in the program folder (ruffle/ beside the executables): the generated
# pages load it from a ruffle/ folder copied beside them, since browsers have no Flash plug-in.
# The files come from the npm package pinned for the player tests (tools/player/package.json),
# which scripts/install-deps.sh installs.
set(FLARECAST_RUFFLE_PACKAGE ${PROJECT_SOURCE_DIR}/tools/player/node_modules/@ruffle-rs/ruffle)
set(FLARECAST_RUFFLE_DIR ${FLARECAST_PROGRAM_DIR}/ruffle)
# The runtime only: the loader, its core scripts and WebAssembly modules (hashed names that
# change with the version), the licences, and package.json for the version.
file(GLOB FLARECAST_RUFFLE_FILES CONFIGURE_DEPENDS LIST_DIRECTORIES false
  ${FLARECAST_RUFFLE_PACKAGE}/ruffle.js
  ${FLARECAST_RUFFLE_PACKAGE}/core.ruffle.*.js
  ${FLARECAST_RUFFLE_PACKAGE}/*.wasm
  ${FLARECAST_RUFFLE_PACKAGE}/LICENSE*
  ${FLARECAST_RUFFLE_PACKAGE}/package.json)
if(EXISTS ${FLARECAST_RUFFLE_PACKAGE}/ruffle.js AND EXISTS ${FLARECAST_RUFFLE_PACKAGE}/package.json)
  # The folder is made afresh, so that files of an older version do not linger.
  add_custom_command(OUTPUT ${FLARECAST_RUFFLE_DIR}/package.json
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${FLARECAST_RUFFLE_DIR}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${FLARECAST_RUFFLE_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${FLARECAST_RUFFLE_FILES} ${FLARECAST_RUFFLE_DIR}
    DEPENDS ${FLARECAST_RUFFLE_FILES}
    COMMENT "Copying Ruffle's web player into the program folder")
  add_custom_target(ruffle_web DEPENDS ${FLARECAST_RUFFLE_DIR}/package.json)
else()
  # Said at build time, where it stops the program folder from being complete; the glob
  # above makes the build configure again once the package is there.
  add_custom_target(ruffle_web
    COMMAND ${CMAKE_COMMAND} -E echo
      "error: Ruffle's web player is missing from ${FLARECAST_RUFFLE_PACKAGE}; run scripts/install-deps.sh"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
