# The program's own windows: the rip progress window and the main window.
# The rip progress window on the display.
add_wine_gtest(progress_window_test SOURCES ProgressWindowTest.cpp LIBS ripui LABELS win)
# The main window on the display, against the virtual drive.
add_wine_gtest(main_window_test SOURCES MainWindowTest.cpp LIBS ripui testdisc windowtesting LABELS win LOCKS cdrom settings)
foreach(dep akrip32 mcivcd)
  add_dependencies(main_window_test ${dep})
endforeach()
