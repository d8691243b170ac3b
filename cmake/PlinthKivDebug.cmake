# plinth_kivdebug(<executable>)
#
# The executable carries its own symbol and line table in its "KIVDEBUG" section
# (lib/Debug/SymbolTable.h), made from its unstripped link, and is shipped without
# its DWARF: the link runs through cmake/kivdebug-link.sh, which reserves the
# section, fills it and strips the image.
plinth_tool(kivdebug)

function(plinth_kivdebug target)
  if(NOT CMAKE_ADDR2LINE)
    message(FATAL_ERROR "plinth_kivdebug: no addr2line for this toolchain (binutils-mingw-w64)")
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_kivdebug)
  file(MAKE_DIRECTORY ${dir})
  target_link_options(${target} PRIVATE ${dir}/reserve.o)
  set_target_properties(${target} PROPERTIES CXX_LINKER_LAUNCHER
    "sh;${CMAKE_SOURCE_DIR}/cmake/kivdebug-link.sh;${PLINTH_TOOL_kivdebug};${CMAKE_OBJDUMP};${CMAKE_NM};${CMAKE_ADDR2LINE};${CMAKE_STRIP};${dir};--")
  add_dependencies(${target} ${PLINTH_TOOL_kivdebug_DEPENDS})
endfunction()
