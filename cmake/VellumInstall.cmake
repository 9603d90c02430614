# What `cmake --install` puts under the prefix: libvellum with its versioned
# soname, the public headers, the tools, and the CMake package and pkg-config
# file through which hosts find the library. The toolbar pictures are
# installed by src/ui beside the executables (the module's home folder).
include(CMakePackageConfigHelpers)

set(VELLUM_CMAKE_PACKAGE_DIR lib/cmake/Vellum)

install(TARGETS vellum EXPORT VellumTargets
  LIBRARY DESTINATION lib
  INCLUDES DESTINATION include)
install(FILES ${PROJECT_SOURCE_DIR}/include/vellum/vellum.h
              ${PROJECT_SOURCE_DIR}/src/store/DbSession.h
        DESTINATION include/vellum)
foreach(tool vellum-cli vellum-attachd vellum-host)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION bin)
  endif()
endforeach()

install(EXPORT VellumTargets NAMESPACE Vellum:: DESTINATION ${VELLUM_CMAKE_PACKAGE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VellumConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VellumConfig.cmake INSTALL_DESTINATION ${VELLUM_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VellumConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
configure_file(${PROJECT_SOURCE_DIR}/cmake/vellum.pc.in ${PROJECT_BINARY_DIR}/vellum.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/VellumConfig.cmake ${PROJECT_BINARY_DIR}/VellumConfigVersion.cmake
        DESTINATION ${VELLUM_CMAKE_PACKAGE_DIR})
install(FILES ${PROJECT_BINARY_DIR}/vellum.pc DESTINATION lib/pkgconfig)
