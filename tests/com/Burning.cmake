# Burns in-process against the simulated engine, through the registered
# server, with late-bound sinks in the client's apartment.
add_wine_gtest(vexocom_burn_test
  SOURCES BurnTest.cpp DriveTestSupport.cpp ServerTestSupport.cpp ${VEXO_IDL_INCLUDE_DIR}/Vexo_i.c
  LIBS ole32 oleaut32 uuid advapi32 LABELS com TIMEOUT 300)
target_include_directories(vexocom_burn_test PRIVATE ${VEXO_IDL_INCLUDE_DIR})
add_dependencies(vexocom_burn_test VexoCOM vexoapi vexo_tlb)
set_tests_properties(vexocom_burn_test PROPERTIES RESOURCE_LOCK vexocom_registration)
