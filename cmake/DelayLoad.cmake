# delay_load(TARGET DLL NAME:ARGBYTES...): TARGET calls these functions of
# DLL through a delay-load import table, so that DLL is loaded, and its
# attach code run, at the first call to one of them instead of when the
# program starts. ARGBYTES is the size of the function's arguments, which
# names it on 32-bit Windows (NAME@ARGBYTES).
#
# The delay-load library is linked whole and first, so every reference in
# the target's libraries resolves to it and the DLL's own import library is
# never searched for these names.
function(delay_load target dll)
  string(MAKE_C_IDENTIFIER "${dll}" id)
  set(def "${CMAKE_CURRENT_BINARY_DIR}/${target}-${id}-delay.def")
  set(lib "${CMAKE_CURRENT_BINARY_DIR}/lib${target}-${id}-delay.a")
  set(text "LIBRARY ${dll}\nEXPORTS\n")
  foreach(entry IN LISTS ARGN)
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 bytes)
    if(MINGW_ARCH STREQUAL "i686")
      string(APPEND text "${name}@${bytes}\n")
    else()
      string(APPEND text "${name}\n")
    endif()
  endforeach()
  file(CONFIGURE OUTPUT "${def}" CONTENT "${text}" @ONLY)
  set(kill_at)
  if(MINGW_ARCH STREQUAL "i686")
    set(kill_at --kill-at)
  endif()
  add_custom_command(OUTPUT "${lib}"
    COMMAND ${MINGW_ARCH}-w64-mingw32-dlltool --input-def "${def}" --dllname ${dll} ${kill_at}
            --output-delaylib "${lib}"
    DEPENDS "${def}"
    COMMENT "Delay-load library for ${dll} (${target})")
  add_custom_target(${target}-${id}-delay DEPENDS "${lib}")
  add_dependencies(${target} ${target}-${id}-delay)
  get_target_property(libraries ${target} LINK_LIBRARIES)
  if(NOT libraries)
    set(libraries)
  endif()
  set_property(TARGET ${target} PROPERTY LINK_LIBRARIES
               "-Wl,--whole-archive" "${lib}" "-Wl,--no-whole-archive" ${libraries})
endfunction()
