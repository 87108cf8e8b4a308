# orvalin_ui_ids(<target> <file.ui> <header.h>)
# Generates <header.h> (id constants of every panel, control, menu bar, menu
# and item of <file.ui>) at build time and puts it on <target>'s include path.
function(orvalin_ui_ids target uifile header)
  get_filename_component(ui_abs "${uifile}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  set(out_dir "${CMAKE_CURRENT_BINARY_DIR}/ui_ids/${target}")
  set(out "${out_dir}/${header}")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${out_dir}"
    COMMAND orvalin_ui_idgen "${ui_abs}" "${out}"
    DEPENDS "${ui_abs}" orvalin_ui_idgen
    COMMENT "Generating ${header} from ${uifile}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
  target_include_directories(${target} PUBLIC "${out_dir}")
endfunction()
