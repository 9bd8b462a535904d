# The engine's questions: their response rules as pure logic, and the
# user-dialog callback in-process (events in the client's apartment, answers
# back to the simulated engine).
add_wine_gtest(vexocom_question_logic_test
  SOURCES QuestionLogicTest.cpp
  LIBS vexo_core_logic LABELS logic com)

add_server_client_test(vexocom_question_test SOURCES QuestionServerTest.cpp)
