# Installs the headers, the library with its SONAME links, tervox-errors with its manual page and
# the operators' guide, a CMake package (find_package(tervox_log CONFIG)), a pkg-config file and
# the Python package, in four components that the packages follow: runtime (what a host loads),
# dev (what a host is built with), tool (tervox-errors) and python.
# The build tree is a CMake package too: -Dtervox_log_DIR=<build dir> uses the library unbuilt.
include(CMakePackageConfigHelpers)

# Sets <result> to a copy of <file> compressed by gzip -9n (no name or time inside, as Debian wants
# of manual pages and changelogs), or to <file> itself where there is no gzip. The copy is made
# again whenever <file> changes.
find_program(TERVOX_LOG_GZIP gzip)
function(tervox_log_gzip file result)
  if(NOT TERVOX_LOG_GZIP)
    set(${result} ${file} PARENT_SCOPE)
    return()
  endif()
  get_filename_component(name ${file} NAME)
  set(compressed ${PROJECT_BINARY_DIR}/compressed/${name}.gz)
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/compressed)
  execute_process(COMMAND ${TERVOX_LOG_GZIP} -9n -c ${file} OUTPUT_FILE ${compressed}
    COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  set(${result} ${compressed} PARENT_SCOPE)
endfunction()

set(tervox_log_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/tervox_log)

# On Windows the DLL is a runtime file that goes beside the programs, and its import library is
# for building hosts.
install(TARGETS tervox_log EXPORT tervox_logTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TERVOX_LOG_FORTRAN)
  install(TARGETS tervox_log_fortran EXPORT tervox_logTargets)
  set(tervox_log_no_fortran_module)
else()
  set(tervox_log_no_fortran_module PATTERN tervox_log.f90 EXCLUDE)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/tervox ${PROJECT_BINARY_DIR}/include/tervox
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev ${tervox_log_no_fortran_module})

if(TARGET tervox-errors)
  # The installed tool finds the installed library wherever the prefix is moved to (the tarball
  # unpacks anywhere). Windows needs nothing: the DLL is installed beside the tool.
  file(RELATIVE_PATH tervox_log_bin_to_lib
    ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  if(APPLE)
    set_target_properties(tervox-errors PROPERTIES
      INSTALL_RPATH "@loader_path/${tervox_log_bin_to_lib}")
  elseif(NOT WIN32)
    set_target_properties(tervox-errors PROPERTIES INSTALL_RPATH "$ORIGIN/${tervox_log_bin_to_lib}")
  endif()
  install(TARGETS tervox-errors RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
  set(tervox_errors_manual ${PROJECT_SOURCE_DIR}/tools/tervox-errors/tervox-errors.1)
  if(EXISTS ${tervox_errors_manual})
    tervox_log_gzip(${tervox_errors_manual} tervox_errors_manual)
    install(FILES ${tervox_errors_manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
  endif()
  # The operators' guide and the recipes it explains, where Debian keeps a package's documents.
  install(FILES ${PROJECT_SOURCE_DIR}/docs/operators.md
                ${PROJECT_SOURCE_DIR}/tools/tervox-errors/operators/rsyslog-tervox-errors.conf
                ${PROJECT_SOURCE_DIR}/tools/tervox-errors/operators/trace-patterns.txt
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/tervox-errors COMPONENT tool)
endif()

# The package configuration names no path, so the same file serves the installed package and the
# build tree, where it sits beside the build tree's own export of the library.
install(EXPORT tervox_logTargets NAMESPACE tervox:: DESTINATION ${tervox_log_cmake_dir}
  COMPONENT dev)
export(EXPORT tervox_logTargets NAMESPACE tervox::
  FILE ${PROJECT_BINARY_DIR}/tervox_logTargets.cmake)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/tervox_logConfig.cmake.in
  ${PROJECT_BINARY_DIR}/tervox_logConfig.cmake
  INSTALL_DESTINATION ${tervox_log_cmake_dir})
# Any request up to this version is met while the SONAME has not moved: the library's interface
# has only grown since 1.0, and the project's major version moved for the tool alone. Make it
# SameMajorVersion again when the SONAME moves.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tervox_logConfigVersion.cmake
  COMPATIBILITY AnyNewerVersion)
install(FILES ${PROJECT_BINARY_DIR}/tervox_logConfig.cmake
              ${PROJECT_BINARY_DIR}/tervox_logConfigVersion.cmake
  DESTINATION ${tervox_log_cmake_dir} COMPONENT dev)

# The prefix is found from the .pc file's own place, so the package works wherever it is installed
# (cmake --install --prefix) or moved to; install dirs given absolute stay as given.
file(RELATIVE_PATH tervox_log_pc_to_prefix /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
set(tervox_log_pc_PREFIX "\${pcfiledir}/${tervox_log_pc_to_prefix}")
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(tervox_log_pc_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(tervox_log_pc_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/tervox_log.pc.in ${PROJECT_BINARY_DIR}/tervox_log.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tervox_log.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT dev)

# The Python package, last in this file so that TERVOX_LOG_PYTHON=OFF stops here.
if(NOT TERVOX_LOG_PYTHON)
  return()
endif()
# The Python package is pure Python over the C interface, so one copy serves every Python 3 of the
# machine. Beside it go its version and the library's place relative to it, so that an installation
# under any prefix (or moved, as the tarball is) finds its own library before any other; a wheel
# (setup.py) installs the library into the package's own folder.
set(TERVOX_LOG_PYTHON_DIR lib/python3/dist-packages CACHE STRING
  "Where the Python package tervox_log is installed, relative to the prefix")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/tervox_log DESTINATION ${TERVOX_LOG_PYTHON_DIR}
  COMPONENT python PATTERN __pycache__ EXCLUDE)
if(WIN32)
  set(tervox_log_python_library_dir ${CMAKE_INSTALL_BINDIR})
  set(tervox_log_python_library $<TARGET_FILE_NAME:tervox_log>)
else()
  set(tervox_log_python_library_dir ${CMAKE_INSTALL_LIBDIR})
  set(tervox_log_python_library $<TARGET_SONAME_FILE_NAME:tervox_log>)
endif()
file(RELATIVE_PATH tervox_log_python_to_library /prefix/${TERVOX_LOG_PYTHON_DIR}/tervox_log
  /prefix/${tervox_log_python_library_dir}/${tervox_log_python_library})
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/python/_installed.py CONTENT
  "VERSION = \"${PROJECT_VERSION}\"\nLIBRARY = \"${tervox_log_python_to_library}\"\n")
install(FILES ${PROJECT_BINARY_DIR}/python/_installed.py
  DESTINATION ${TERVOX_LOG_PYTHON_DIR}/tervox_log COMPONENT python)
