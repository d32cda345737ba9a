# Where `make install` and the Debian package put things, and the same places relative to the
# installed programs, which the programs use at run time (common/install_layout.h). Relative
# paths keep an installed tree working wherever it is unpacked (a scratch root, /opt, DESTDIR).

include(GNUInstallDirs)

# The station's private libraries: the bridge the simulated station shares with the stand-ins,
# the stand-ins themselves, and a place for the instrument makers' own libraries.
set(HALVO_INSTALL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/halvo)
set(HALVO_INSTALL_STANDINDIR ${HALVO_INSTALL_PRIVATE_LIBDIR}/standins)
set(HALVO_INSTALL_VENDORDIR ${HALVO_INSTALL_PRIVATE_LIBDIR}/vendor)
set(HALVO_INSTALL_SOUNDDIR ${CMAKE_INSTALL_DATADIR}/halvo/sounds)
# udev reads rules from <prefix>/lib/udev/rules.d for the prefixes /usr and /usr/local (never
# from a multiarch library directory); other prefixes need this pointed at /etc/udev/rules.d.
set(HALVO_INSTALL_UDEVRULESDIR lib/udev/rules.d CACHE STRING
    "Where the udev rule for the USB-serial adapters is installed (relative to the prefix, or absolute)")
# The group the udev rule gives the serial adapters to; the package's postinst creates it.
set(HALVO_OPERATOR_GROUP halvo CACHE STRING "Group of the station's operators (serial adapter access)")

# halvo_path_from_bin(<out> <dir>): <dir> as seen from the installed programs' directory.
function(halvo_path_from_bin out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  elseif(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
    set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  else()
    file(RELATIVE_PATH relative "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${dir}")
    set(${out} "${relative}" PARENT_SCOPE)
  endif()
endfunction()

halvo_path_from_bin(HALVO_STANDINS_FROM_BIN ${HALVO_INSTALL_STANDINDIR})
halvo_path_from_bin(HALVO_VENDOR_FROM_BIN ${HALVO_INSTALL_VENDORDIR})
halvo_path_from_bin(HALVO_SOUNDS_FROM_BIN ${HALVO_INSTALL_SOUNDDIR})
halvo_path_from_bin(HALVO_LIB_FROM_BIN ${CMAKE_INSTALL_LIBDIR})
halvo_path_from_bin(HALVO_PRIVATE_LIB_FROM_BIN ${HALVO_INSTALL_PRIVATE_LIBDIR})

# Where the build writes the manual pages (made from the programs' --help texts).
set(HALVO_MAN_DIR ${CMAKE_BINARY_DIR}/man)
