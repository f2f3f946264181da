# Packages of the installed components (cpack, or `cmake --workflow --preset package`): on Linux
# one Debian package per component plus a tarball of everything; elsewhere the tarball alone.
#   libtervox-log<soversion>  runtime: the library and its SONAME link
#   libtervox-log-dev         dev: headers, the unversioned link, the CMake and pkg-config files
#   tervox-errors             tool: the tool and its manual page
#   python3-tervox-log        python: the Python package
# Each carries the licence; lintian finds no error in the Debian packages (CI runs it).
set(CPACK_PACKAGE_VENDOR "The tervox_log developers")
# Set the real address of whoever answers for the packages; the default is a placeholder.
set(TERVOX_LOG_PACKAGE_CONTACT "The tervox_log developers <tervox-log@tervox.invalid>" CACHE STRING
  "Maintainer of the packages, as Name <address>")
set(CPACK_PACKAGE_CONTACT "${TERVOX_LOG_PACKAGE_CONTACT}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB TGZ)
else()
  set(CPACK_GENERATOR TGZ)
endif()

# The project's description is each Debian package's summary line; these follow it, cut into
# lines that fit a terminal.
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "The shared library that tervox hosts load: one registry of \
errors and\nwarnings with the descriptions of a fixed catalogue of error codes, and one\nlogger of \
trace and log lines, shared by every module of a host process.")
set(CPACK_COMPONENT_DEV_DESCRIPTION "Headers (C++, C and the Fortran module), CMake package and \
pkg-config file\nfor building tervox hosts.")
set(CPACK_COMPONENT_TOOL_DESCRIPTION "tervox-errors explains error codes to operators: it prints \
their\ndescriptions, searches and lists the catalogue, and summarises the errors and\nwarnings \
recorded in traces.")
set(CPACK_COMPONENT_PYTHON_DESCRIPTION "The Python package tervox_log: traces, logs and records errors \
into the\nsame trace and registry as the C, C++ and Fortran modules of the process, and\na logging \
handler that writes Python's log records into the trace.")
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
set(CPACK_COMPONENT_TOOL_DEPENDS runtime)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Dependencies between the packages come from the component dependencies above, pinned to this
# version; those on the C and C++ runtimes from dpkg-shlibdeps.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps runs in the tool's staging folder and must find the library in the runtime's
# (Debian packages install under /usr).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ../runtime/usr/${CMAKE_INSTALL_LIBDIR})
# The runtime package declares its library (shlibs) so that packages built against it depend on
# this version or later, since they may use what this version added; its name follows the SONAME.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libtervox-log${TERVOX_LOG_SOVERSION})
# ldconfig runs through dpkg's trigger, once per run of dpkg. The empty scripts stand in for those
# CPack would write to call ldconfig itself (lintian's warning on them is overridden).
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/triggers
  ${CMAKE_CURRENT_LIST_DIR}/debian/postinst ${CMAKE_CURRENT_LIST_DIR}/debian/postrm)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libtervox-log-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TOOL_PACKAGE_NAME tervox-errors)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
# Pure Python: one package for every architecture and every Python 3.
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-tervox-log)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS python3)

# Every package holds its licence (as Debian's machine-readable copyright file) and its changelog
# in share/doc/<package>; so does the tarball.
if(CPACK_GENERATOR MATCHES "DEB")
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE tervox_log_license)
  string(REGEX REPLACE "^MIT License\n\n[^\n]*\n\n" "" tervox_log_license "${tervox_log_license}")
  string(REGEX REPLACE "\n\n" "\n.\n" tervox_log_license "${tervox_log_license}")
  string(REGEX REPLACE "\n([^\n])" "\n \\1" tervox_log_license " ${tervox_log_license}")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/copyright.in ${PROJECT_BINARY_DIR}/debian/copyright
    @ONLY)
  # Native packages: changelog.gz is Debian's changelog, one entry per release pointing to the
  # project's own. The date follows SOURCE_DATE_EPOCH when it is set, for reproducible packages.
  string(TIMESTAMP tervox_log_package_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog
    @ONLY)
  tervox_log_gzip(${PROJECT_BINARY_DIR}/debian/changelog tervox_log_changelog)
  get_cmake_property(tervox_log_components COMPONENTS)
  foreach(component IN LISTS tervox_log_components)
    string(TOUPPER ${component} upper)
    set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
    install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${tervox_log_changelog}
      DESTINATION ${doc_dir} COMPONENT ${component})
  endforeach()
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/runtime.lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
    RENAME ${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} COMPONENT runtime)
else()
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)
endif()

include(CPack)
