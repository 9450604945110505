# Installation and the package configuration for find_package(ZELDevice).
include(CMakePackageConfigHelpers)

set(_targets zelcompat)
if(TARGET ZELDevice)
  list(APPEND _targets ZELDevice)
endif()
install(TARGETS ${_targets} EXPORT ZELDeviceTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/compat/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/ZELDevice/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ZELDevice
        FILES_MATCHING PATTERN "*.h")
install(EXPORT ZELDeviceTargets NAMESPACE ZELDevice:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZELDevice)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ZELDeviceConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/ZELDeviceConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZELDevice)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZELDeviceConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ZELDeviceConfig.cmake ${PROJECT_BINARY_DIR}/ZELDeviceConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZELDevice)
