# VexoCOM.dll: the in-process COM server. Its resources: the type library
# (TYPELIB 1), the string table, and one registry script per creatable
# class, all of one shape (ClassScript.rgs.in).

set(vexo_scripts_dir ${CMAKE_CURRENT_BINARY_DIR}/scripts)
set(vexo_resource_lines "")
set(vexo_script_files "")
foreach(entry
    "109 Vexo" "114 VexoVideoItem" "116 VexoAudioTrack" "119 VexoFile" "121 VexoFolder"
    "124 VexoIsoTrack" "125 VexoFreestyleTrack" "126 VexoFileSystemDescContainer"
    "127 VexoFileProducer" "128 VexoVideoItems" "129 VexoAudioTracks" "130 VexoFreestyleTracks"
    "202 VexoFSSecNo" "203 VexoFileSystemTrackOptions")
  string(REPLACE " " ";" entry "${entry}")
  list(GET entry 0 id)
  list(GET entry 1 CLASS)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/server/ClassScript.rgs.in ${vexo_scripts_dir}/${CLASS}.rgs @ONLY)
  string(APPEND vexo_resource_lines "${id} REGISTRY \"${vexo_scripts_dir}/${CLASS}.rgs\"\n")
  list(APPEND vexo_script_files ${vexo_scripts_dir}/${CLASS}.rgs)
endforeach()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/VexoCOM.rc.tmp
  "// Generated: the server's type library, registry scripts and strings.\n"
  "1 TYPELIB \"${VEXO_TLB_PATH}\"\n"
  "${vexo_resource_lines}"
  "#include \"${CMAKE_CURRENT_SOURCE_DIR}/server/Strings.rc\"\n")
configure_file(${CMAKE_CURRENT_BINARY_DIR}/VexoCOM.rc.tmp ${CMAKE_CURRENT_BINARY_DIR}/VexoCOM.rc COPYONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/VexoCOM.rc PROPERTIES
  OBJECT_DEPENDS "${VEXO_TLB_PATH};${vexo_script_files};${CMAKE_CURRENT_SOURCE_DIR}/server/Strings.rc")

# The pure logic of the server, tested directly: registry scripts, engine
# state texts, the engine's questions.
add_library(vexo_core_logic STATIC server/RegistryScript.cpp engineobject/EngineStateLogic.cpp
  questions/EngineQuestions.cpp questions/WaitCDTexts.cpp)
target_include_directories(vexo_core_logic PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${VEXO_SOURCE_ROOT})
target_link_libraries(vexo_core_logic PUBLIC advapi32)
target_link_libraries(vexo_core_logic PUBLIC vexo_engine)

# Every class of the server, in one library that the server DLL and the
# in-process tests that make objects directly both link.
add_library(vexo_server_objects STATIC
  server/ClassTable.cpp
  engineobject/EngineState.cpp engineobject/Vexo.cpp
  drives/VexoDrives.cpp drives/VexoDrive.cpp drives/VexoSpeeds.cpp drives/VexoCDInfo.cpp
  drives/VexoCDStamp.cpp drives/DriveRecords.cpp
  operations/AsyncOperation.cpp operations/BusyRegistry.cpp
  burning/BurnOperations.cpp burning/BurnAtOnceHandle.cpp
  questions/VexoOverburnInfo.cpp questions/VexoDlgMessageBox.cpp)
target_include_directories(vexo_server_objects PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${VEXO_SOURCE_ROOT})
target_link_libraries(vexo_server_objects PUBLIC vexo_idl vexo_com vexo_engine vexo_core_logic win
  ole32 oleaut32 uuid rpcrt4 advapi32)
add_dependencies(vexo_server_objects vexo_tlb)
# Subsystem 5: the compilation objects.
add_subdirectory(${VEXO_SOURCE_ROOT}/compilation ${CMAKE_CURRENT_BINARY_DIR}/compilation)

add_library(VexoCOM SHARED
  server/Server.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/VexoCOM.rc
  server/VexoCOM.def)
set_target_properties(VexoCOM PROPERTIES PREFIX "" OUTPUT_NAME VexoCOM)
target_link_libraries(VexoCOM PRIVATE vexo_server_objects)
add_dependencies(VexoCOM vexo_tlb)
if(MINGW_ARCH STREQUAL "i686")
  # The .def names the entry points undecorated.
  target_link_options(VexoCOM PRIVATE -Wl,--enable-stdcall-fixup)
endif()
