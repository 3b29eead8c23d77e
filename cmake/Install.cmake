# Installing and packaging. The program keeps its own files together in one folder
# (lib/tavlo): it finds the language store and the archiver beside itself, through the link
# it was started by. bin/ holds links to the program and its tools, and the desktop starter.
# `cmake --install build` installs under CMAKE_INSTALL_PREFIX; `cpack` in the build folder
# (or the `package` target) makes the Debian package, installed under /usr.
include(GNUInstallDirs)

set(TAVLO_PROGRAM_DIR lib/tavlo)
set(TAVLO_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(TAVLO_LINK_DIR ${CMAKE_BINARY_DIR}/install-links)

# Relative links, so the installed tree works under any prefix and when unpacked elsewhere.
file(MAKE_DIRECTORY ${TAVLO_LINK_DIR})
function(tavlo_install_link name)
  file(CREATE_LINK ../${TAVLO_PROGRAM_DIR}/${name} ${TAVLO_LINK_DIR}/${name} SYMBOLIC)
  install(FILES ${TAVLO_LINK_DIR}/${name} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

foreach(tool tavlo_demo_data tavlo_lang tavlo_zip)
  install(TARGETS ${tool} RUNTIME DESTINATION ${TAVLO_PROGRAM_DIR})
  tavlo_install_link(${tool})
endforeach()

# Built by the language_store target, which is part of every build.
if(NOT TAVLO_LANGUAGE_STORE)
  set(TAVLO_LANGUAGE_STORE ${CMAKE_BINARY_DIR}/POSlan.tps)
endif()
install(FILES ${TAVLO_LANGUAGE_STORE} DESTINATION ${TAVLO_PROGRAM_DIR})

if(TARGET tavlo)
  install(TARGETS tavlo RUNTIME DESTINATION ${TAVLO_PROGRAM_DIR})
  tavlo_install_link(tavlo)
  # The desktop menu starts the till in the user's data folder.
  install(PROGRAMS ${TAVLO_PACKAGING_DIR}/tavlo-desktop DESTINATION ${TAVLO_PROGRAM_DIR})
  tavlo_install_link(tavlo-desktop)
  install(FILES ${TAVLO_PACKAGING_DIR}/tavlo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${TAVLO_PACKAGING_DIR}/tavlo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavlo)
# The user guide, when the source tree has one.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/guide/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavlo/guide OPTIONAL)

# ---- The Debian package ---------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavlo)
set(CPACK_PACKAGE_VENDOR "Tavlo")
set(CPACK_PACKAGE_CONTACT "Tavlo maintainers <maintainers@users.noreply.c-seed-1ed7fa9e.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Till (point of sale) for a small business")
# The long text under the summary line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tavlo rings up sales line by line with VAT, takes cash, card, cheque or a
debtor's account and prints the slip. Every sale is posted as a balanced
double-entry document and exported to the accounting package at the end
of the period. Several tills may share one data folder. The interface
speaks English and Afrikaans.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Libraries come from dpkg-shlibdeps; the reports and windows load the Liberation fonts from
# their files, which no library link shows.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
include(CPack)

# The package test: builds the package, unpacks it and starts the unpacked till on a display
# of its own. Needs the Debian tools, so only where they are.
find_program(TAVLO_DPKG_DEB dpkg-deb)
if(TAVLO_DPKG_DEB AND TARGET tavlo)
  add_test(NAME package_deb COMMAND ${CMAKE_SOURCE_DIR}/tests/package/check_deb.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package_deb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
