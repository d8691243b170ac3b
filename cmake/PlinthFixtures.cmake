# plinth_add_version_dll(<target>
#     OUTPUT_NAME <file name without .dll>  [OUTPUT_DIRECTORY <dir>]
#     [FILE_VERSION a.b.c.d] [PRODUCT_VERSION a.b.c.d] [FILE_TYPE dll|app]
#     [TRANSLATION <lang> <codepage> ...] [BLOCK xxxxxxxx]
#     [STRINGS KEY=VALUE ...] [COUNTED_STRINGS KEY=VALUE ...]
#     [OVERRUN_STRINGS KEY=VALUE ...] [NO_VERSION] [SOURCES ...] [LIBRARIES ...])
#
# Builds a DLL whose version resource is exactly as described (see tools/verres):
# no translation block unless TRANSLATION is given, and COUNTED_STRINGS stored with a
# length that counts their terminating NUL, OVERRUN_STRINGS damaged: stored with a
# length far beyond their block. NO_VERSION leaves the resource out.
# Without SOURCES the library is an empty one.
plinth_tool(verres)

function(plinth_add_version_dll target)
  cmake_parse_arguments(A "NO_VERSION"
    "OUTPUT_NAME;OUTPUT_DIRECTORY;FILE_VERSION;PRODUCT_VERSION;FILE_TYPE;BLOCK"
    "TRANSLATION;STRINGS;COUNTED_STRINGS;OVERRUN_STRINGS;SOURCES;LIBRARIES" ${ARGN})
  if(NOT A_OUTPUT_NAME)
    set(A_OUTPUT_NAME ${target})
  endif()
  if(NOT A_OUTPUT_DIRECTORY)
    set(A_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin/fixtures)
  endif()
  if(NOT A_SOURCES)
    set(A_SOURCES ${CMAKE_SOURCE_DIR}/cmake/EmptyDll.cpp)
  endif()

  set(sources ${A_SOURCES})
  if(NOT A_NO_VERSION)
    if(NOT A_FILE_VERSION)
      message(FATAL_ERROR "plinth_add_version_dll(${target}): FILE_VERSION is required")
    endif()
    set(args --file-version ${A_FILE_VERSION})
    if(A_PRODUCT_VERSION)
      list(APPEND args --product-version ${A_PRODUCT_VERSION})
    endif()
    if(A_FILE_TYPE)
      list(APPEND args --file-type ${A_FILE_TYPE})
    endif()
    if(A_BLOCK)
      list(APPEND args --block ${A_BLOCK})
    endif()
    list(LENGTH A_TRANSLATION n)
    if(n GREATER 0)
      math(EXPR last "${n} - 1")
      foreach(i RANGE 0 ${last} 2)
        math(EXPR j "${i} + 1")
        list(GET A_TRANSLATION ${i} lang)
        list(GET A_TRANSLATION ${j} cp)
        list(APPEND args --translation ${lang} ${cp})
      endforeach()
    endif()
    foreach(s IN LISTS A_STRINGS)
      list(APPEND args --string "${s}")
    endforeach()
    foreach(s IN LISTS A_COUNTED_STRINGS)
      list(APPEND args --string-counted "${s}")
    endforeach()
    foreach(s IN LISTS A_OVERRUN_STRINGS)
      list(APPEND args --string-overrun "${s}")
    endforeach()

    set(bin ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.bin)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
    add_custom_command(OUTPUT ${bin}
      COMMAND ${PLINTH_TOOL_verres} --out ${bin} ${args}
      DEPENDS ${PLINTH_TOOL_verres_DEPENDS}
      COMMENT "Version resource for ${A_OUTPUT_NAME}.dll"
      VERBATIM)
    # Resource type 16 is RT_VERSION.
    file(CONFIGURE OUTPUT ${rc} CONTENT "1 16 \"${bin}\"\n")
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${bin})
    list(APPEND sources ${rc})
  endif()

  add_library(${target} SHARED ${sources})
  target_link_libraries(${target} PRIVATE ${A_LIBRARIES})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${A_OUTPUT_NAME} PREFIX "" SUFFIX ".dll"
    RUNTIME_OUTPUT_DIRECTORY ${A_OUTPUT_DIRECTORY}
    # Import libraries are named after the target: two libraries may share a stem.
    ARCHIVE_OUTPUT_NAME ${target} ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/implib)
endfunction()
