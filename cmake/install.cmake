# Installation: the module, the header and its service list, nlhost with its headers, nldat, a CMake
# package and a pkg-config file, in the usual GNU directories.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

add_library(uwinldat_headers INTERFACE)
add_library(uwinldat::headers ALIAS uwinldat_headers)
set_target_properties(uwinldat_headers PROPERTIES EXPORT_NAME headers)
target_include_directories(uwinldat_headers INTERFACE
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_link_libraries(nlhost PUBLIC uwinldat_headers)
target_include_directories(nlhost PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

set(UWN_MODULE_INSTALL_PATH ${CMAKE_INSTALL_LIBDIR}/uwinldat.so)

install(TARGETS uwinldat LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/uwinldat.h ${PROJECT_SOURCE_DIR}/include/uwinldat_services.def
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/host/include/nlhost DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS nlhost uwinldat_headers EXPORT uwinldatTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS nldat RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT uwinldatTargets NAMESPACE uwinldat::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/uwinldat)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/uwinldatConfig.cmake.in
  ${PROJECT_BINARY_DIR}/uwinldatConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/uwinldat
  PATH_VARS UWN_MODULE_INSTALL_PATH)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/uwinldatConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/uwinldatConfig.cmake ${PROJECT_BINARY_DIR}/uwinldatConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/uwinldat)

configure_file(${PROJECT_SOURCE_DIR}/cmake/uwinldat.pc.in ${PROJECT_BINARY_DIR}/uwinldat.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/uwinldat.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
