# The file and folder tree, the data track and its options, made in-process
# as the server's own objects against the simulated engine of bin/engine.
add_wine_gtest(vexocom_filetree_test
  SOURCES FileTreeTest.cpp ${VEXO_IDL_INCLUDE_DIR}/Vexo_i.c
  LIBS vexo_server_objects LABELS com)
target_include_directories(vexocom_filetree_test PRIVATE ${VEXO_IDL_INCLUDE_DIR})
add_dependencies(vexocom_filetree_test vexoapi)
