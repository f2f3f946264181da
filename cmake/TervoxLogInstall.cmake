# Installs the headers, the library with its SONAME links, tervox-errors, a CMake package
# (find_package(tervox_log CONFIG)) and a pkg-config file.
include(CMakePackageConfigHelpers)

set(tervox_log_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/tervox_log)

install(TARGETS tervox_log EXPORT tervox_logTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/tervox DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET tervox-errors)
  # The installed tool finds the installed library wherever the prefix is moved to.
  file(RELATIVE_PATH tervox_log_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(tervox-errors PROPERTIES INSTALL_RPATH "$ORIGIN/${tervox_log_bin_to_lib}")
  install(TARGETS tervox-errors RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(EXPORT tervox_logTargets NAMESPACE tervox:: DESTINATION ${tervox_log_cmake_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/tervox_logConfig.cmake.in
  ${PROJECT_BINARY_DIR}/tervox_logConfig.cmake
  INSTALL_DESTINATION ${tervox_log_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tervox_logConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tervox_logConfig.cmake
              ${PROJECT_BINARY_DIR}/tervox_logConfigVersion.cmake
  DESTINATION ${tervox_log_cmake_dir})

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
install(FILES ${PROJECT_BINARY_DIR}/tervox_log.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
