# Where an installation puts things, relative to the prefix, and the relative
# run-time paths that tie them together. Everything found at run time is found
# relative to the installed files themselves, so a prefix can be moved.
#
#   bin/                       zelhost
#   lib/                       libZELDevice, libzelcompat, the linked agent
#   lib/zeldevice/             the companions the library loads by name
#   share/zeldevice/           data (FMT template folders, ...)
#   include/ZELDevice, include/zelcompat, lib/cmake/ZELDevice, lib/pkgconfig
set(ZEL_INSTALL_MODULEDIR ${CMAKE_INSTALL_LIBDIR}/zeldevice)
set(ZEL_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/zeldevice)

# zel_relative_path(<var> <from> <to>): the path from one install folder to
# another (both relative to the prefix), "." when they are the same.
function(zel_relative_path var from to)
  file(RELATIVE_PATH rel /zelprefix/${from} /zelprefix/${to})
  string(REGEX REPLACE "/$" "" rel "${rel}")
  if(rel STREQUAL "")
    set(rel .)
  endif()
  set(${var} ${rel} PARENT_SCOPE)
endfunction()

zel_relative_path(ZEL_LIB_TO_MODULEDIR ${CMAKE_INSTALL_LIBDIR} ${ZEL_INSTALL_MODULEDIR})
zel_relative_path(ZEL_LIB_TO_DATADIR ${CMAKE_INSTALL_LIBDIR} ${ZEL_INSTALL_DATADIR})
zel_relative_path(ZEL_BIN_TO_LIBDIR ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_LIBDIR})
zel_relative_path(ZEL_MODULEDIR_TO_LIBDIR ${ZEL_INSTALL_MODULEDIR} ${CMAKE_INSTALL_LIBDIR})

# Installed programs, libraries and companions find the project's libraries
# through $ORIGIN, never through an absolute path.
set(CMAKE_INSTALL_RPATH "$ORIGIN")
set(ZEL_PROGRAM_INSTALL_RPATH "$ORIGIN/${ZEL_BIN_TO_LIBDIR}")
set(ZEL_COMPANION_INSTALL_RPATH "$ORIGIN/${ZEL_MODULEDIR_TO_LIBDIR}")
