# plinth_minimal_library_image(<target> <rc file>)
#
# Links a resource-only 32-bit library of the resources in <rc file> with the i686
# MinGW tools (no code, no entry point, no exports, no relocations, no time stamp, so
# the bytes depend on the .rc alone) and compiles its bytes into <target> as
#   const unsigned char kMinimalLibraryImage[]; const std::size_t kMinimalLibraryImageSize;
#
# In script mode (cmake -DINPUT=<dll> -DOUTPUT=<cpp> -P this file) it writes that source.
if(CMAKE_SCRIPT_MODE_FILE)
  file(READ ${INPUT} hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n  " bytes "${bytes}")
  file(WRITE ${OUTPUT}
"// Generated from the minimal library image ${INPUT}.
#include <cstddef>

extern const unsigned char kMinimalLibraryImage[];
extern const std::size_t kMinimalLibraryImageSize;

const unsigned char kMinimalLibraryImage[] = {
  ${bytes}};
const std::size_t kMinimalLibraryImageSize = ${size};
")
  return()
endif()

set(PLINTH_MINIMAL_LIBRARY_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(plinth_minimal_library_image target rc)
  find_program(PLINTH_I686_WINDRES i686-w64-mingw32-windres REQUIRED)
  find_program(PLINTH_I686_LD i686-w64-mingw32-ld REQUIRED)
  get_filename_component(rc ${rc} ABSOLUTE)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/minimal-library)
  set(res ${dir}/MinimalLibraryImage.res.o)
  set(dll ${dir}/MinimalLibraryImage.dll)
  set(cpp ${dir}/MinimalLibraryImage.cpp)
  add_custom_command(OUTPUT ${dll}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${PLINTH_I686_WINDRES} ${rc} -O coff -o ${res}
    COMMAND ${PLINTH_I686_LD} -shared -s --no-insert-timestamp -e 0 --exclude-all-symbols
            --disable-reloc-section --subsystem windows -o ${dll} ${res}
    DEPENDS ${rc}
    COMMENT "Linking the minimal library image")
  add_custom_command(OUTPUT ${cpp}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${dll} -DOUTPUT=${cpp} -P ${PLINTH_MINIMAL_LIBRARY_SCRIPT}
    DEPENDS ${dll} ${PLINTH_MINIMAL_LIBRARY_SCRIPT})
  target_sources(${target} PRIVATE ${cpp})
endfunction()
