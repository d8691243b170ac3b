# Compiler settings shared by every target. Warnings are errors in the gcc builds (the
# four presets and the host tools): a build stays clean. The fuzz build's clang warns
# about other things and only warns.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Werror)
endif()
# Source paths in __FILE__ (assertion messages, reports) are relative to the repository.
# A compiler cache with a base folder hands the compiler paths relative to the build
# folder instead; those are mapped as well.
add_compile_options(-fmacro-prefix-map=${CMAKE_SOURCE_DIR}/=)
file(RELATIVE_PATH plinth_source_from_build ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
string(REGEX REPLACE "/+$" "" plinth_source_from_build "${plinth_source_from_build}")
if(plinth_source_from_build)
  add_compile_options(-fmacro-prefix-map=${plinth_source_from_build}/=)
endif()
include_directories(${CMAKE_SOURCE_DIR}/lib)

if(WIN32)
  enable_language(RC)
  add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # One self-contained executable: no MinGW runtime DLLs to ship beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Line tables even in size-optimised builds: the program's own symbol table is
  # made from them (cmake/PlinthKivDebug.cmake); the shipped image is stripped.
  add_compile_options($<$<CONFIG:MinSizeRel,Release>:-g1>)
endif()

if(PLINTH_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Adds a unit library whose portable sources build everywhere and whose
# "*Win.cpp" / "*Host.cpp" halves build only on their platform.
function(plinth_add_unit_library name)
  set(portable "")
  set(win "")
  set(host "")
  foreach(src IN LISTS ARGN)
    if(src MATCHES "Win\\.cpp$")
      list(APPEND win ${src})
    elseif(src MATCHES "Host\\.cpp$")
      list(APPEND host ${src})
    else()
      list(APPEND portable ${src})
    endif()
  endforeach()
  if(WIN32)
    add_library(${name} STATIC ${portable} ${win})
  else()
    add_library(${name} STATIC ${portable} ${host})
  endif()
endfunction()

# The shared test data beside the project (real form files, the export lists of old
# Windows versions). Tests read it where it lies; nothing of it is copied in.
if(NOT PLINTH_SHARED_DIR)
  if(EXISTS ${CMAKE_SOURCE_DIR}/../shared/platform)
    get_filename_component(PLINTH_SHARED_DIR ${CMAKE_SOURCE_DIR}/../shared ABSOLUTE)
  else()
    set(PLINTH_SHARED_DIR /work/shared)
  endif()
endif()
set(PLINTH_SHARED_DIR ${PLINTH_SHARED_DIR} CACHE PATH "Shared test data (forms-real, platform)")
