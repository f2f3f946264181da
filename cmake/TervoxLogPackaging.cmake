# Packages of the installed components (cpack, or `cmake --workflow --preset package`): on Linux
# one Debian package per component plus a tarball of everything; elsewhere the tarball alone.
#   libtervox-log<major>   runtime: the library and its SONAME link
#   libtervox-log-dev      dev: headers, the unversioned link, the CMake and pkg-config files
#   tervox-errors          tool: the tool and its manual page
#   python3-tervox-log     python: the Python package
set(CPACK_PACKAGE_VENDOR "tervox")
set(CPACK_PACKAGE_CONTACT "tervox developers <tervox-dev@localhost>")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB TGZ)
else()
  set(CPACK_GENERATOR TGZ)
endif()

# The project's description is each Debian package's summary line; these follow it.
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "The shared library that tervox hosts load: one registry \
of errors and warnings with the descriptions of a fixed catalogue of error codes, and one logger \
of trace and log lines, shared by every module of a host process.")
set(CPACK_COMPONENT_DEV_DESCRIPTION "Headers, CMake package and pkg-config file for building \
tervox hosts.")
set(CPACK_COMPONENT_TOOL_DESCRIPTION "tervox-errors explains error codes to operators: it prints \
their descriptions, searches and lists the catalogue, and summarises the errors and warnings \
recorded in a trace.")
set(CPACK_COMPONENT_PYTHON_DESCRIPTION "The Python package tervox_log: traces, logs and records \
errors into the same trace and registry as the C, C++ and Fortran modules of the process, and a \
logging handler that writes Python's log records into the trace.")
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
# this version or later, and runs ldconfig on install and removal.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libtervox-log${PROJECT_VERSION_MAJOR})
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

include(CPack)
