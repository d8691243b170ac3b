# Build-time tools are host programs built from the same portable code as the
# program. A native build builds them as ordinary targets; a cross build builds
# them in a nested host build and refers to them by path.
#
# plinth_tool(<name>) sets PLINTH_TOOL_<name> to the command and
# PLINTH_TOOL_<name>_DEPENDS to what a custom command must depend on.
set(PLINTH_HOST_TOOLS verres resstrc payloadcheck formc kivdebug importcheck)

if(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  set(_tools_bin ${CMAKE_BINARY_DIR}/host-tools)
  set(_byproducts "")
  foreach(t IN LISTS PLINTH_HOST_TOOLS)
    list(APPEND _byproducts ${_tools_bin}/tools/${t}/${t})
  endforeach()
  ExternalProject_Add(plinth_host_tools
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${_tools_bin}
    CMAKE_ARGS -DPLINTH_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release
               -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${_byproducts})
endif()

function(plinth_tool name)
  if(CMAKE_CROSSCOMPILING)
    set(PLINTH_TOOL_${name} ${CMAKE_BINARY_DIR}/host-tools/tools/${name}/${name} PARENT_SCOPE)
    set(PLINTH_TOOL_${name}_DEPENDS plinth_host_tools PARENT_SCOPE)
  else()
    set(PLINTH_TOOL_${name} $<TARGET_FILE:${name}> PARENT_SCOPE)
    set(PLINTH_TOOL_${name}_DEPENDS ${name} PARENT_SCOPE)
  endif()
endfunction()
