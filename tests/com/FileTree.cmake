# The file and folder tree, the data track and its options, made in-process
# as the server's own objects against the simulated engine of bin/engine.
add_wine_gtest(vexocom_filetree_test
  SOURCES FileTreeTest.cpp ${VEXO_IDL_INCLUDE_DIR}/Vexo_i.c
  LIBS vexo_server_objects LABELS com)
target_include_directories(vexocom_filetree_test PRIVATE ${VEXO_IDL_INCLUDE_DIR})
add_dependencies(vexocom_filetree_test vexoapi)

# The same objects from a script client, late-bound through the registered
# server.
add_host_test(vexocom_script_file_tree_vbs
  COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/check-script ${PROJECT_SOURCE_DIR}/tests/scripts/file_tree.vbs
          ${PROJECT_SOURCE_DIR}/tests/scripts/file_tree.vbs.expected
  LABELS com scripts LOCKS vexocom_registration)
