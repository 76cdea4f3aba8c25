# vellora_module_library(NAME EXPORTS_FILE SOURCES...): a module library (an
# in-process server) that carries the whole of vellora_core and exports only
# what its export list names. The list is a linker version script on Linux.
function(vellora_module_library name exports_file)
  add_library(${name} MODULE ${ARGN})
  target_link_libraries(${name} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,vellora_core>")
  vellora_module_code(${name})
  set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${exports_file})
  target_link_options(${name} PRIVATE "-Wl,--version-script=${exports_file}" "-Wl,--no-undefined")
endfunction()
