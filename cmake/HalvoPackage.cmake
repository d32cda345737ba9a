# `make package`: a Debian package of everything `make install` installs, built with CPack from
# the same build tree. Its dependencies come from dpkg-shlibdeps (Qt 6, ALSA, the spreadsheet
# library and the C++ runtime, as the programs actually link them).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halvo)
set(CPACK_PACKAGE_VENDOR "Halvo")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Halvo developers <halvo-dev@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Calibration and verification station for Vorla broadcast monitors")
set(CPACK_PACKAGE_DESCRIPTION
    "Halvo drives a Vorla broadcast monitor and a light-measuring instrument (CA-210, CA-310,
K-10, PELKO, Spyder4, CS-200, i1 Display) to calibrate the monitor's gamma, white points,
colour spaces and uniformity, verifies the result against pass criteria and writes reports.
The package holds the station window (halvo), its command-line front end (halvo-cli), the
simulated station on pseudo-terminals (halvo-sim), the Vantrel radiometric library with its
C header, and a udev rule giving the group ${HALVO_OPERATOR_GROUP} access to USB-serial adapters.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries inside the package, for dpkg-shlibdeps to resolve without asking dpkg.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_BINARY_DIR}/src/radiometric ${CMAKE_BINARY_DIR}/src/sim/bridge)
# The postinst creates the group with addgroup or groupadd, whichever is there.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "udev")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/packaging/debian/postinst ${CMAKE_BINARY_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# gzip keeps `make package` and its test quick; the package is a few megabytes.
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)

include(CPack)
