# Drives: the busy rule and the drive records as pure logic; the drive
# operations in-process against the simulated engine, with a late-bound
# sink in the client's apartment; many operations for leaks.
set(vexo_core_dir ${PROJECT_SOURCE_DIR}/vexocom/core)
add_wine_gtest(vexocom_drive_logic_test
  SOURCES DriveLogicTest.cpp ${vexo_core_dir}/operations/BusyRegistry.cpp ${vexo_core_dir}/drives/DriveRecords.cpp
  LIBS vexo_engine LABELS logic com)
target_include_directories(vexocom_drive_logic_test PRIVATE ${vexo_core_dir})

foreach(t drive drive_stress)
  if(t STREQUAL "drive")
    set(src DriveTest.cpp)
  else()
    set(src DriveStressTest.cpp)
  endif()
  add_wine_gtest(vexocom_${t}_test
    SOURCES ${src} DriveTestSupport.cpp ServerTestSupport.cpp ${VEXO_IDL_INCLUDE_DIR}/Vexo_i.c
    LIBS ole32 oleaut32 uuid advapi32 LABELS com TIMEOUT 300)
  target_include_directories(vexocom_${t}_test PRIVATE ${VEXO_IDL_INCLUDE_DIR})
  add_dependencies(vexocom_${t}_test VexoCOM vexoapi vexo_tlb)
  set_tests_properties(vexocom_${t}_test PROPERTIES RESOURCE_LOCK vexocom_registration)
endforeach()
