# Installation: libraries, headers, the CMake package (find_package(ZELDevice)
# from an install prefix or from the build tree), the pkg-config file, data, and
# the Debian package made by CPack. The companions install themselves
# (zel_add_companion), zelhost with its man page and completion in tools/zelhost,
# the data in data/.
include(CMakePackageConfigHelpers)

set(ZEL_CMAKE_PACKAGEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/ZELDevice)

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

# The CMake package, for an install prefix ...
install(EXPORT ZELDeviceTargets NAMESPACE ZELDevice:: DESTINATION ${ZEL_CMAKE_PACKAGEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ZELDeviceConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/ZELDeviceConfig.cmake
                              INSTALL_DESTINATION ${ZEL_CMAKE_PACKAGEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZELDeviceConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ZELDeviceConfig.cmake ${PROJECT_BINARY_DIR}/ZELDeviceConfigVersion.cmake
        DESTINATION ${ZEL_CMAKE_PACKAGEDIR})
# ... and for the build tree (ZELDevice_DIR or CMAKE_PREFIX_PATH naming the build folder).
export(EXPORT ZELDeviceTargets NAMESPACE ZELDevice:: FILE ${PROJECT_BINARY_DIR}/ZELDeviceTargets.cmake)

# pkg-config: zeldevice.pc finds its prefix from its own folder, so a moved
# prefix or the Debian package needs no edit.
zel_relative_path(ZEL_PC_TO_PREFIX ${CMAKE_INSTALL_LIBDIR}/pkgconfig .)
configure_file(${PROJECT_SOURCE_DIR}/cmake/zeldevice.pc.in ${PROJECT_BINARY_DIR}/zeldevice.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zeldevice.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The Debian package: `cpack -G DEB` in the build folder. One package holds the
# libraries, companions, zelhost, data and headers; dpkg-shlibdeps finds the
# run-time dependencies (TagLib, libjpeg, libpng, ...) from the binaries.
set(CPACK_PACKAGE_NAME zeldevice)
set(CPACK_PACKAGE_VENDOR "libZELDevice")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "device-access library and command-line host for portable media players")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "libZELDevice lets a media manager browse, fill and keep in step portable media players "
  "(USB mass-storage drives and MTP players): file copies with album art and lyrics, the "
  "player's own database, playlists, folders. The package holds the library, the companion "
  "components it loads, the zelhost command-line host, data, headers, the CMake package and "
  "the pkg-config file.")
set(ZEL_PACKAGE_CONTACT "libZELDevice maintainers <maintainers@zeldevice.invalid>"
    CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_CONTACT "${ZEL_PACKAGE_CONTACT}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The companions in lib/zeldevice need the package's own libzelcompat.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_LIBDIR})
include(CPack)
