# A data disc end to end: DataBurn.sh makes an image with xorriso, runs
# vexocom_databurn_test.exe (burn, estimate and import through the registered
# server) and checks the burnt image with xorriso and isoinfo.
add_executable(vexocom_databurn_test DataBurnTest.cpp DriveTestSupport.cpp ServerTestSupport.cpp
  ${VEXO_IDL_INCLUDE_DIR}/Vexo_i.c)
target_link_libraries(vexocom_databurn_test PRIVATE ole32 oleaut32 uuid advapi32 gtest_main)
target_include_directories(vexocom_databurn_test PRIVATE ${VEXO_IDL_INCLUDE_DIR})
add_dependencies(vexocom_databurn_test VexoCOM vexoapi vexo_tlb)
add_host_test(vexocom_databurn COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/DataBurn.sh LABELS com e2e TIMEOUT 600)
set_tests_properties(vexocom_databurn PROPERTIES RESOURCE_LOCK vexocom_registration)
