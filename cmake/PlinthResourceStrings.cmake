# plinth_resource_strings(<executable> TARGETS <libraries...>)
#
# Numbers every resource string declared (KIV_RESOURCESTRING) in the sources of the
# executable and the listed libraries, and gives the executable the string table and
# the id-to-name map in its "KIV.DRC" section.
function(plinth_resource_strings exe)
  cmake_parse_arguments(A "" "" "TARGETS" ${ARGN})
  set(sources "")
  foreach(t IN ITEMS ${exe} LISTS A_TARGETS)
    get_target_property(srcs ${t} SOURCES)
    get_target_property(dir ${t} SOURCE_DIR)
    foreach(s IN LISTS srcs)
      if(s MATCHES "\\.cpp$")
        if(NOT IS_ABSOLUTE "${s}")
          set(s ${dir}/${s})
        endif()
        list(APPEND sources ${s})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES sources)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${exe}_resstr)
  file(MAKE_DIRECTORY ${out})
  plinth_tool(resstrc)
  add_custom_command(OUTPUT ${out}/resstr.rc ${out}/kivdrc.cpp
    COMMAND ${PLINTH_TOOL_resstrc} --out ${out} ${sources}
    DEPENDS ${sources} ${PLINTH_TOOL_resstrc_DEPENDS}
    COMMENT "Resource strings of ${exe}"
    VERBATIM)
  target_sources(${exe} PRIVATE ${out}/resstr.rc ${out}/kivdrc.cpp)
endfunction()
