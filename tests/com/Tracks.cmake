# Audio and freestyle tracks, video items, block positions and their
# collections, made in-process as the server's own objects.
add_wine_gtest(vexocom_tracks_test
  SOURCES TracksTest.cpp ${VEXO_IDL_INCLUDE_DIR}/Vexo_i.c
  LIBS vexo_server_objects LABELS com)
target_include_directories(vexocom_tracks_test PRIVATE ${VEXO_IDL_INCLUDE_DIR})

# The type library and the message texts as resources of the test program,
# so that the objects answer late-bound calls in-process as in the server.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/tracks_test.rc.tmp
  "1 TYPELIB \"${VEXO_TLB_PATH}\"\n"
  "#include \"${PROJECT_SOURCE_DIR}/vexocom/core/server/Strings.rc\"\n")
configure_file(${CMAKE_CURRENT_BINARY_DIR}/tracks_test.rc.tmp ${CMAKE_CURRENT_BINARY_DIR}/tracks_test.rc COPYONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/tracks_test.rc PROPERTIES
  OBJECT_DEPENDS "${VEXO_TLB_PATH};${PROJECT_SOURCE_DIR}/vexocom/core/server/Strings.rc")
target_sources(vexocom_tracks_test PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/tracks_test.rc)
add_dependencies(vexocom_tracks_test vexo_tlb)

# File producers and their streams in-process, the engine played by the test.
add_wine_gtest(vexocom_producer_test
  SOURCES ProducerTest.cpp ${VEXO_IDL_INCLUDE_DIR}/Vexo_i.c ${CMAKE_CURRENT_BINARY_DIR}/tracks_test.rc
  LIBS vexo_server_objects LABELS com)
target_include_directories(vexocom_producer_test PRIVATE ${VEXO_IDL_INCLUDE_DIR})
add_dependencies(vexocom_producer_test vexo_tlb)
