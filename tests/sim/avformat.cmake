# avformat.dll, the outside converter stand-in: its command-line logic; the
# converter started as the converter component starts it (pipe, cancel); and
# real conversions of every preset's command line, checked with ffprobe.
add_wine_gtest(avformat_options_test SOURCES sim/avformat_options_test.cpp LIBS avformat_logic LABELS logic sim)

set(avformat_script ${CMAKE_CURRENT_SOURCE_DIR}/sim/avformat_convert.sh)
add_host_test(avformat_prepare COMMAND ${avformat_script} prepare LABELS sim e2e)
set_tests_properties(avformat_prepare PROPERTIES FIXTURES_SETUP avformat_clips)

# The converter tests stop every process named avformat.dll: each test that
# runs one holds the lock "converter".
add_wine_gtest(avformat_pipe_test SOURCES sim/avformat_pipe_test.cpp LIBS win LABELS sim e2e LOCKS converter TIMEOUT 120)
add_dependencies(avformat_pipe_test avformat)
set_tests_properties(avformat_pipe_test PROPERTIES FIXTURES_REQUIRED avformat_clips)

foreach(preset avi-divx avi-xvid ipod-video iphone ipod-nano mpeg-max wmv rm mov flv
               psp-normal psp-avc zune-mpeg4 zune-avc zune-wmv 3gp 3g2 wav mp3 wma)
  add_host_test(avformat_convert_${preset} COMMAND ${avformat_script} preset ${preset} LABELS sim e2e LOCKS converter)
  set_tests_properties(avformat_convert_${preset} PROPERTIES FIXTURES_REQUIRED avformat_clips)
endforeach()
add_host_test(avformat_refused COMMAND ${avformat_script} refused LABELS sim e2e LOCKS converter)
set_tests_properties(avformat_refused PROPERTIES FIXTURES_REQUIRED avformat_clips)
