# plinth_form_resource(<target> FILE <form.dfm> NAME <RESOURCE>)
#
# Compiles a form description from its text form to a bare form stream (tools/formc -s,
# as resources hold forms) and embeds it in the target as the RT_RCDATA resource RESOURCE,
# which by convention is the form's class name in upper case (TForm1 -> TFORM1).
plinth_tool(formc)

function(plinth_form_resource target)
  cmake_parse_arguments(A "" "FILE;NAME" "" ${ARGN})
  get_filename_component(dfm ${A_FILE} ABSOLUTE)
  set(bin ${CMAKE_CURRENT_BINARY_DIR}/${target}_${A_NAME}.form)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_${A_NAME}.rc)
  add_custom_command(OUTPUT ${bin}
    COMMAND ${PLINTH_TOOL_formc} -s ${dfm} ${bin}
    DEPENDS ${dfm} ${PLINTH_TOOL_formc_DEPENDS}
    COMMENT "Form ${A_NAME} from ${A_FILE}"
    VERBATIM)
  # Neutral, as the translation framework writes a module's forms again.
  file(CONFIGURE OUTPUT ${rc} CONTENT "LANGUAGE 0, 0\n${A_NAME} RCDATA \"${bin}\"\n")
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${bin})
  target_sources(${target} PRIVATE ${rc})
  set_property(TARGET ${target} APPEND PROPERTY PLINTH_FORM_FILES ${bin})
endfunction()

# plinth_library_forms(<target>)
#
# The forms of the library, compiled into an executable that shows them (resources of a
# static library do not reach the executable by themselves).
function(plinth_library_forms target)
  plinth_form_resource(${target} FILE ${CMAKE_SOURCE_DIR}/lib/KivLX/KivLXFlashMsg.dfm
    NAME TKIVFLASHFORM)
  plinth_form_resource(${target} FILE ${CMAKE_SOURCE_DIR}/lib/KivTrxExceptDlg/KivTrxExceptDlg.dfm
    NAME TKIVEXCEPTIONDIALOG)
endfunction()
