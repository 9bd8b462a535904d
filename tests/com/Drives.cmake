# Drives: the busy rule and the drive records as pure logic; the drive
# operations in-process against the simulated engine, with a late-bound
# sink in the client's apartment; many operations for leaks.
set(vexo_core_dir ${PROJECT_SOURCE_DIR}/vexocom/core)
add_wine_gtest(vexocom_drive_logic_test
  SOURCES DriveLogicTest.cpp ${vexo_core_dir}/operations/BusyRegistry.cpp ${vexo_core_dir}/drives/DriveRecords.cpp
  LIBS vexo_engine LABELS logic com)
target_include_directories(vexocom_drive_logic_test PRIVATE ${vexo_core_dir})

add_server_client_test(vexocom_drive_test SOURCES DriveTest.cpp)
add_server_client_test(vexocom_drive_stress_test SOURCES DriveStressTest.cpp)
