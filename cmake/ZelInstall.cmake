# Installation and the package configuration for find_package(ZELDevice).
include(CMakePackageConfigHelpers)

install(TARGETS zelcompat ZELDevice_abi ZELDevice EXPORT ZELDeviceTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/compat/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The public headers only: the umbrella header and the public folders, never internal/.
install(FILES ${PROJECT_SOURCE_DIR}/ZELDevice/ZELDevice.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ZELDevice)
foreach(dir ${ZEL_PUBLIC_DIRS})
  if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/ZELDevice/${dir})
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/ZELDevice/${dir} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ZELDevice
            FILES_MATCHING PATTERN "*.h")
  endif()
endforeach()
install(EXPORT ZELDeviceTargets NAMESPACE ZELDevice:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZELDevice)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ZELDeviceConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/ZELDeviceConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZELDevice)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZELDeviceConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ZELDeviceConfig.cmake ${PROJECT_BINARY_DIR}/ZELDeviceConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZELDevice)
