# The Debian package (scripts/package.sh): cpack -G DEB from a build tree
# configured for the /usr prefix. Dependencies come from the binaries
# (dpkg-shlibdeps), except two they cannot show: libcap2-bin for the postinst
# script's setcap, qt6-qpa-plugins for the display plugins Qt loads at run time.
include(GNUInstallDirs)

# Installs `source` compressed as Debian wants it (gzip -9, no name or time
# stamp) into `destination`, as `name` (default: the source's name + .gz).
function(pontavi_install_gzipped source destination)
    get_filename_component(file_name ${source} NAME)
    set(name ${file_name}.gz)
    if(ARGC GREATER 2)
        set(name ${ARGV2})
    endif()
    set(packed ${PROJECT_BINARY_DIR}/packed/${name})
    file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packed)
    execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${packed} COMMAND_ERROR_IS_FATAL ANY)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    install(FILES ${packed} DESTINATION ${destination})
endfunction()

set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/pontavi)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright DESTINATION ${doc_dir})
pontavi_install_gzipped(${PROJECT_SOURCE_DIR}/data/debian/changelog ${doc_dir} changelog.gz)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pontavi)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Pontavi developers <pontavi@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray companion for dial-up users")
set(CPACK_PACKAGE_DESCRIPTION
    "Pontavi lives in the notification area and watches the dial-up (PPP) link.\n\
It answers Ident queries on port 113, counts the time spent on line, runs\n\
actions when the link comes up (start programs, copy the IP address, set the\n\
clock), checks POP3 mailboxes and keeps a list of copied web addresses.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcap2-bin, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/data/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The package's postinst gives the helper its capability; the install step
# that does so for `cmake --install` stays out of the package.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};pontavi;Unspecified;/")
include(CPack)
