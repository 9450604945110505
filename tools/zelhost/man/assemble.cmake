# Builds zelhost.1 from zelhost.1.in and the per-command sections in commands/.
# cmake -DTEMPLATE=... -DCOMMANDS_DIR=... -DOUTPUT=... -DZELHOST_VERSION=...
#       -DZEL_INSTALL_MODULEDIR=... -DZEL_INSTALL_DATADIR=... -P assemble.cmake
file(GLOB sections ${COMMANDS_DIR}/*.roff)
list(SORT sections)
set(ZELHOST_COMMAND_SECTIONS "")
foreach(section IN LISTS sections)
  file(READ ${section} part)
  string(APPEND ZELHOST_COMMAND_SECTIONS "${part}")
endforeach()
string(REGEX REPLACE "\n$" "" ZELHOST_COMMAND_SECTIONS "${ZELHOST_COMMAND_SECTIONS}")
file(READ ${TEMPLATE} page)
string(CONFIGURE "${page}" page @ONLY)
file(WRITE ${OUTPUT}.new "${page}")
file(RENAME ${OUTPUT}.new ${OUTPUT})
