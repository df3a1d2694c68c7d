# Installing (tests/install_test.sh): `install` runs cmake --install into a
# scratch prefix, validates the desktop entry, the metainfo and the man pages,
# compares the installed pack with build/data, checks the icons, renders a
# frame with the installed kelvane-capture, runs the installed launcher from
# / under Xvfb and uninstalls the prefix with its own uninstall program.
# `install_deb` does the same through the two .debs, dpkg -i and dpkg -r; it
# needs root and is skipped otherwise. `install_lintian` fails on any error
# lintian finds in the .debs; it is skipped without lintian.
# All three rewrite and then restore the build's install_manifest*.txt, so
# they never run at the same time.
add_test(NAME install COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install_test.sh ${CMAKE_BINARY_DIR} prefix)
add_test(NAME install_deb COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install_test.sh ${CMAKE_BINARY_DIR} deb)
add_test(NAME install_lintian COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install_test.sh ${CMAKE_BINARY_DIR} lintian)
set_tests_properties(install install_deb install_lintian PROPERTIES
  TIMEOUT 180
  SKIP_RETURN_CODE 77
  RESOURCE_LOCK kelvane_install_manifest
  ENVIRONMENT "BINDIR=${CMAKE_INSTALL_BINDIR};LIBEXECDIR=${CMAKE_INSTALL_LIBEXECDIR};DATADIR=${CMAKE_INSTALL_DATADIR};MANDIR=${CMAKE_INSTALL_MANDIR};DOCDIR=${CMAKE_INSTALL_DOCDIR};VERSION=${PROJECT_VERSION}")
