# Installation and the Debian package (cpack -G DEB, run by scripts/package):
# both programs, the USB jig's udev rule, a desktop entry and its icon, and
# capcode-tool's manual page made from its --help by help2man at build time
# (with CCP_PACKAGE=ON). Dependencies come from the shared libraries the
# programs link (dpkg-shlibdeps).
include(GNUInstallDirs)

option(CCP_PACKAGE "Build the manual page and everything else the Debian package holds" OFF)

if(CCP_FUZZ)
    return()
endif()

set(CCP_PACKAGE_NAME capcode-programmer)
set(CCP_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(CCP_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${CCP_PACKAGE_NAME})

install(TARGETS capcode-programmer capcode-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# /usr/lib/udev/rules.d: the folder udev reads packaged rules from.
install(FILES ${CCP_PACKAGING_DIR}/udev/70-capcode-jig.rules DESTINATION lib/udev/rules.d)
install(FILES ${CCP_PACKAGING_DIR}/desktop/capcode-programmer.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CCP_PACKAGING_DIR}/desktop/capcode-programmer.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CCP_PACKAGING_DIR}/debian/copyright DESTINATION ${CCP_DOC_DIR})

if(CCP_PACKAGE)
    find_program(CCP_HELP2MAN help2man REQUIRED)
    find_program(CCP_GZIP gzip REQUIRED)
    set(CCP_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/capcode-tool.1.gz)
    set(CCP_WINDOW_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/capcode-programmer.1.gz)
    set(CCP_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
    # gzip -n keeps no name or time in the file, so the package is reproducible.
    add_custom_command(
        OUTPUT ${CCP_MAN_PAGE}
        COMMAND ${CCP_HELP2MAN} --no-info --no-discard-stderr
                --version-string=${PROJECT_VERSION}
                "--name=make, show and compare pager images, program pagers and check the jig"
                --section=1 --output=capcode-tool.1 $<TARGET_FILE:capcode-tool>
        COMMAND ${CCP_GZIP} -9nf capcode-tool.1
        DEPENDS capcode-tool
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        COMMENT "Manual page of capcode-tool from its --help"
        VERBATIM)
    add_custom_command(
        OUTPUT ${CCP_WINDOW_MAN_PAGE}
        COMMAND ${CMAKE_COMMAND} -E copy ${CCP_PACKAGING_DIR}/man/capcode-programmer.1 .
        COMMAND ${CCP_GZIP} -9nf capcode-programmer.1
        DEPENDS ${CCP_PACKAGING_DIR}/man/capcode-programmer.1
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        VERBATIM)
    add_custom_command(
        OUTPUT ${CCP_CHANGELOG}
        COMMAND ${CMAKE_COMMAND} -E copy ${CCP_PACKAGING_DIR}/debian/changelog changelog
        COMMAND ${CCP_GZIP} -9nf changelog
        DEPENDS ${CCP_PACKAGING_DIR}/debian/changelog
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        VERBATIM)
    add_custom_target(ccp_package_docs ALL DEPENDS ${CCP_MAN_PAGE} ${CCP_WINDOW_MAN_PAGE}
                                                   ${CCP_CHANGELOG})
    install(FILES ${CCP_MAN_PAGE} ${CCP_WINDOW_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${CCP_CHANGELOG} DESTINATION ${CCP_DOC_DIR})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${CCP_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "program POCSAG pagers through a programming jig")
set(CPACK_PACKAGE_DESCRIPTION
    "A window in which pager technicians read a pager's configuration through a\n"
    "parallel-port or USB programming jig, edit its capcodes, folders, tones,\n"
    "channel frequency, display and decoder options, and write it back with\n"
    "verify. Configurations are kept as image files. capcode-tool runs the\n"
    "same rules from scripts and checks a jig with its self-test.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_CONTACT "Capcode Programmer developers <maintainers@example.org>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded with dlopen when a store of their kind is opened, so shlibdeps
# misses them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsqlite3-0, libpq5")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CCP_PACKAGING_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)

# The package as built by scripts/package: its file list and its
# capcode-tool run from an unpacked copy. Skipped when no package is there.
if(CCP_BUILD_TESTS)
    set(CCP_PACKAGE_FILE_DIR ${PROJECT_SOURCE_DIR}/build/package
        CACHE PATH "Where tests look for the Debian package scripts/package built")
    add_test(NAME package_contents
             COMMAND ${CCP_PACKAGING_DIR}/check_package.sh ${CCP_PACKAGE_FILE_DIR})
    set_tests_properties(package_contents PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60)
endif()
