# XP_ProgressBar: its arithmetic (colours, value scale, geometry of the looks,
# font texts) as logic, and the control as a real window whose drawn pixels
# are read back from its off-screen bitmap.
add_wine_gtest(ProgressBarLogic
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProgressBarLogicTest.cpp
  LIBS controls LABELS logic)
add_wine_gtest(ProgressBarWindow
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProgressBarWindowTest.cpp
  LIBS controls LABELS win)
