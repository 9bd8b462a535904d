# The engine's questions: their response rules as pure logic, and the
# user-dialog callback in-process (events in the client's apartment, answers
# back to the simulated engine).
add_wine_gtest(vexocom_question_logic_test
  SOURCES QuestionLogicTest.cpp
  LIBS vexo_core_logic LABELS logic com)

add_wine_gtest(vexocom_question_test
  SOURCES QuestionServerTest.cpp ServerTestSupport.cpp ${VEXO_IDL_INCLUDE_DIR}/Vexo_i.c
  LIBS ole32 oleaut32 uuid advapi32 LABELS com)
target_include_directories(vexocom_question_test PRIVATE ${VEXO_IDL_INCLUDE_DIR})
add_dependencies(vexocom_question_test VexoCOM vexoapi vexo_tlb)
set_tests_properties(vexocom_question_test PROPERTIES RESOURCE_LOCK vexocom_registration)
