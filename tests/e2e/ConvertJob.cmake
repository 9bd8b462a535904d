# The conversion job with the real converter stand-in: one preset of each
# family through the main window's job, then each written file checked with
# ffprobe. The clip comes from avformat_prepare.
add_wine_gtest(convert_job_test SOURCES e2e/ConvertJobTest.cpp LIBS ripui windowtesting LABELS e2e win
  LOCKS cdrom settings converter TIMEOUT 600)
add_dependencies(convert_job_test avformat)
if(TARGET mcivcd)
  add_dependencies(convert_job_test mcivcd)
endif()
set_tests_properties(convert_job_test PROPERTIES FIXTURES_REQUIRED avformat_clips FIXTURES_SETUP convert_job_files)

foreach(pair "avi-divx clip.avi" "ipod-video clip.mpg" "ipod-nano clip.mp3" "mpeg-max clip.mpg" "wmv clip.wmv"
             "rm clip.rm" "mov clip.mov" "flv clip.flv" "psp-avc clip.avi" "zune-mpeg4 clip.avi" "3gp clip.3gp"
             "wav clip.wav")
  string(REPLACE " " ";" pair "${pair}")
  list(GET pair 0 family)
  list(GET pair 1 file)
  add_host_test(convert_job_check_${family}
    COMMAND ${avformat_script} job ${family} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/convert-job/${family}/${file}
    LABELS e2e)
  set_tests_properties(convert_job_check_${family} PROPERTIES FIXTURES_REQUIRED convert_job_files)
endforeach()

# The headless conversion mode: a preset's conversion of the prepared clip,
# and the requests it refuses.
add_wine_gtest(headless_convert_test SOURCES e2e/HeadlessConvertTest.cpp LIBS win windowtesting LABELS e2e
  LOCKS converter TIMEOUT 600)
add_dependencies(headless_convert_test avformat cadrel-convert)
set_tests_properties(headless_convert_test PROPERTIES FIXTURES_REQUIRED avformat_clips)
