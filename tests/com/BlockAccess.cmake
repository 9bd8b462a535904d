# Block objects, partition records and VMS information, in-process over an
# engine block object the test makes itself.
add_wine_gtest(vexocom_block_access_test
  SOURCES BlockAccessTest.cpp ${VEXO_IDL_INCLUDE_DIR}/Vexo_i.c
  LIBS vexo_server_objects LABELS com)
target_include_directories(vexocom_block_access_test PRIVATE ${VEXO_IDL_INCLUDE_DIR})

# Block access end to end: images, a drive's medium and its VMS sessions
# through the registered server and the simulated engine.
add_server_client_test(vexocom_block_drive_test SOURCES BlockDriveTest.cpp)

# A script client against an ISO image made by xorriso, checked from the
# outside with dd and cmp.
add_host_test(vexocom_script_block_access_vbs
  COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/block-access-check
  LABELS com scripts LOCKS vexocom_registration)
