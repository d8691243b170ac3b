# plinth_trx_resources(<executable>)
#
# Gives the executable its translation resources: KIV_TRX_GUID, a fresh build GUID
# whenever the forms or resource strings it carries may have changed (so a resource
# module made for an earlier build is recognised as out of date), and the KIV_TRX_FLAG
# marker. Call it after plinth_resource_strings and the executable's forms.
function(plinth_trx_resources exe)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${exe}_trx)
  file(MAKE_DIRECTORY ${out})
  get_target_property(forms ${exe} PLINTH_FORM_FILES)
  if(NOT forms)
    set(forms "")
  endif()
  add_custom_command(OUTPUT ${out}/trxguid.rc
    COMMAND ${CMAKE_COMMAND} -DOUT=${out}/trxguid.rc -P ${PROJECT_SOURCE_DIR}/cmake/WriteTrxGuid.cmake
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${exe}_resstr/resstr.rc ${forms}
      ${PROJECT_SOURCE_DIR}/cmake/WriteTrxGuid.cmake
    COMMENT "Build GUID of ${exe}"
    VERBATIM)
  target_sources(${exe} PRIVATE ${out}/trxguid.rc)
endfunction()
