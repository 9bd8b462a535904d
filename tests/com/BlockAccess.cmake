# Block objects, partition records and VMS information, in-process over an
# engine block object the test makes itself.
add_wine_gtest(vexocom_block_access_test
  SOURCES BlockAccessTest.cpp ${VEXO_IDL_INCLUDE_DIR}/Vexo_i.c
  LIBS vexo_server_objects LABELS com)
target_include_directories(vexocom_block_access_test PRIVATE ${VEXO_IDL_INCLUDE_DIR})
