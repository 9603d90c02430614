# What `cmake --install` puts under the prefix: libvellum with its versioned
# soname, the public headers, the tools, and the CMake package and pkg-config
# file through which hosts find the library. The toolbar pictures are
# installed by src/ui beside the executables (the module's home folder).
#
# Every rule names the Debian package it belongs to as its install component
# (packaging/ builds the packages from these components), so a plain install
# and the packages always carry the same files.
include(CMakePackageConfigHelpers)

set(VELLUM_CMAKE_PACKAGE_DIR lib/cmake/Vellum)

install(TARGETS vellum EXPORT VellumTargets
  LIBRARY DESTINATION lib COMPONENT libvellum0 NAMELINK_COMPONENT libvellum-dev
  INCLUDES DESTINATION include)
install(FILES ${PROJECT_SOURCE_DIR}/include/vellum/vellum.h
              ${PROJECT_SOURCE_DIR}/src/store/DbSession.h
        DESTINATION include/vellum COMPONENT libvellum-dev)
foreach(tool vellum-cli vellum-host)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION bin COMPONENT vellum-tools)
  endif()
endforeach()
if(TARGET vellum-attachd)
  install(TARGETS vellum-attachd RUNTIME DESTINATION bin COMPONENT vellum-attachd)
endif()

install(EXPORT VellumTargets NAMESPACE Vellum:: DESTINATION ${VELLUM_CMAKE_PACKAGE_DIR}
        COMPONENT libvellum-dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VellumConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VellumConfig.cmake INSTALL_DESTINATION ${VELLUM_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VellumConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
configure_file(${PROJECT_SOURCE_DIR}/cmake/vellum.pc.in ${PROJECT_BINARY_DIR}/vellum.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/VellumConfig.cmake ${PROJECT_BINARY_DIR}/VellumConfigVersion.cmake
        DESTINATION ${VELLUM_CMAKE_PACKAGE_DIR} COMPONENT libvellum-dev)
install(FILES ${PROJECT_BINARY_DIR}/vellum.pc DESTINATION lib/pkgconfig COMPONENT libvellum-dev)
