# The engine binding: record layouts, copy choice and PATH matching as logic
# (with the wrappers' answers while no engine is loaded), and the binding
# in-process against the simulated engine's variants.
add_wine_gtest(engine_logic_test
  SOURCES EngineRecordsTest.cpp EngineBindingLogicTest.cpp
  LIBS vexo_engine LABELS logic com)
# It changes the shared engine entry in HKLM that the script clients read.
add_wine_gtest(engine_binding_test SOURCES EngineBindingTest.cpp LIBS vexo_engine LABELS com
  LOCKS vexocom_registration)
if(TARGET vexoapi_all)
  add_dependencies(engine_binding_test vexoapi_all)
endif()
