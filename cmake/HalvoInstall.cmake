# What `make install` and the Debian package install (the layout: cmake/HalvoInstallDirs.cmake).
# The programs find their libraries through a run path relative to themselves, and the station's
# files through common/install_layout.h, so the installed tree does not depend on the build tree.

set(HALVO_PROGRAM_RPATH "$ORIGIN/${HALVO_LIB_FROM_BIN};$ORIGIN/${HALVO_PRIVATE_LIB_FROM_BIN}")
set(HALVO_PROGRAMS halvo-cli halvo-sim)
if(HALVO_GUI)
  list(APPEND HALVO_PROGRAMS halvo)
endif()
set_target_properties(${HALVO_PROGRAMS} PROPERTIES INSTALL_RPATH "${HALVO_PROGRAM_RPATH}")
install(TARGETS halvo-cli halvo-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Vantrel, the second deliverable: the library, its C header (with the core's ABI it refers to)
# and a pkg-config file for programs built against it.
install(TARGETS vantrel LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${CMAKE_SOURCE_DIR}/src/radiometric/vantrel.h ${CMAKE_SOURCE_DIR}/src/radiometric/pelko_core_abi.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vantrel)
# The version its own version block reports (radiometric/version_block.cpp).
set(HALVO_VANTREL_VERSION 3.0.0)
file(RELATIVE_PATH HALVO_PC_PREFIX_FROM_PCDIR "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
configure_file(${CMAKE_SOURCE_DIR}/packaging/vantrel.pc.in ${CMAKE_BINARY_DIR}/packaging/vantrel.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/vantrel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The simulated station's bridge and the stand-ins that reach it (for --simulate); the stand-ins
# find the bridge one directory up.
install(TARGETS halvo_simbridge LIBRARY DESTINATION ${HALVO_INSTALL_PRIVATE_LIBDIR})
set(HALVO_STANDINS pelko_core kmsecs200 i1d3SDK dccmtr)
set_target_properties(${HALVO_STANDINS} PROPERTIES INSTALL_RPATH "$ORIGIN/..")
install(TARGETS ${HALVO_STANDINS} LIBRARY DESTINATION ${HALVO_INSTALL_STANDINDIR})

# The build tree runs with the installed run paths too. A build-tree run path that is replaced at
# install time ends in an empty entry (CMake leaves one separator behind), and the loader reads
# an empty entry as the working directory: any library dropped in the folder an operator works
# in would be loaded. So the libraries are linked where the installed run paths look for them,
# relative to the programs and stand-ins in the build tree.
if(NOT IS_ABSOLUTE "${HALVO_LIB_FROM_BIN}" AND NOT IS_ABSOLUTE "${HALVO_PRIVATE_LIB_FROM_BIN}")
  set(links "")
  foreach(program ${HALVO_PROGRAMS})
    get_target_property(program_dir ${program} BINARY_DIR)
    get_filename_component(dir "${program_dir}/${HALVO_LIB_FROM_BIN}" ABSOLUTE)
    list(APPEND links "vantrel|${dir}")
    get_filename_component(dir "${program_dir}/${HALVO_PRIVATE_LIB_FROM_BIN}" ABSOLUTE)
    list(APPEND links "halvo_simbridge|${dir}")
  endforeach()
  get_filename_component(dir "${HALVO_STANDIN_DIR}/.." ABSOLUTE)
  list(APPEND links "halvo_simbridge|${dir}")
  list(REMOVE_DUPLICATES links)
  set(commands "")
  foreach(link ${links})
    string(REPLACE "|" ";" link "${link}")
    list(GET link 0 library)
    list(GET link 1 dir)
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
         COMMAND ${CMAKE_COMMAND} -E create_symlink $<TARGET_FILE:${library}> ${dir}/$<TARGET_FILE_NAME:${library}>)
  endforeach()
  add_custom_target(halvo_runpath_links ${commands} VERBATIM)
  add_dependencies(halvo_runpath_links vantrel halvo_simbridge)
  foreach(target ${HALVO_PROGRAMS} ${HALVO_STANDINS})
    add_dependencies(${target} halvo_runpath_links)
  endforeach()
  set_target_properties(${HALVO_PROGRAMS} ${HALVO_STANDINS} PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
endif()

# Empty until the operator puts an instrument maker's library there (searched after
# HALVO_VENDOR_PATH, before the system's library path).
install(DIRECTORY DESTINATION ${HALVO_INSTALL_VENDORDIR})

install(FILES ${HALVO_MAN_DIR}/halvo-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(HALVO_GUI)
  install(FILES ${HALVO_MAN_DIR}/halvo.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/halvo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/halvo.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

configure_file(${CMAKE_SOURCE_DIR}/packaging/60-halvo-serial.rules.in
               ${CMAKE_BINARY_DIR}/packaging/60-halvo-serial.rules @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/60-halvo-serial.rules DESTINATION ${HALVO_INSTALL_UDEVRULESDIR})

# The package's maintainer scripts; `make install` runs the postinst too when it installs into
# the live system as root.
foreach(script postinst postrm)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/${script}.in ${CMAKE_BINARY_DIR}/packaging/debian/${script}
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                 WORLD_READ WORLD_EXECUTE)
endforeach()
