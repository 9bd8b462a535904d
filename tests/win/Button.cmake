# CandyButton and the close-box switch.
# Logic: colour schemes, the border range, the state machine, the layout and
# the face painter's pixels.
add_wine_gtest(button_logic_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/../logic/ButtonLogicTest.cpp
  LIBS controls LABELS logic)
# Real windows under the X display: the button driven by messages, and the
# close box on real system menus.
add_wine_gtest(button_window_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/CandyButtonTest.cpp LIBS controls LABELS win)
add_wine_gtest(close_button_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/CloseButtonTest.cpp LIBS controls LABELS win)
