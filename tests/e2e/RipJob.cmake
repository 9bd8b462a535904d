# The rip job, the settings store and the headless rip mode.

# Pure pieces: output folder names, the command line, the job report.
add_wine_gtest(ripjob_logic_test SOURCES logic/RipJobLogicTest.cpp LIBS ripcore LABELS logic)

# What shows a rip is exact: checksums, the AccurateRip record, secure
# reading's decisions, the log and the CUE sheet.
add_wine_gtest(ripproof_logic_test
  SOURCES logic/RipChecksumsTest.cpp logic/AccurateRipRecordTest.cpp logic/SecureReadTest.cpp
          logic/RipLogTextTest.cpp logic/DiscIdTest.cpp
          logic/RipProofCommandLineTest.cpp
  LIBS ripcore LABELS logic)

# The settings store in the prefix's registry; the program's own settings are
# put back as they were.
add_wine_gtest(ripjob_settings_test SOURCES e2e/SettingsTest.cpp LIBS ripcore LABELS e2e LOCKS settings)

# The job on the virtual drive with the real encoder.
add_wine_gtest(ripjob_test SOURCES e2e/RipJobTest.cpp LIBS ripcore testdisc LABELS e2e LOCKS cdrom)
set_tests_properties(ripjob_test PROPERTIES FIXTURES_SETUP ripjob_mp3_files)

# The job where no encoder library can be found.
add_wine_gtest(ripjob_noencoder_test SOURCES e2e/RipJobNoEncoderTest.cpp LIBS ripcore testdisc LABELS e2e
  LOCKS cdrom)
set_target_properties(ripjob_noencoder_test PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/ripjob-noencoder)

# The headless mode as a child process.
add_wine_gtest(ripjob_headless_test SOURCES e2e/HeadlessRipTest.cpp LIBS ripcore testdisc LABELS e2e
  LOCKS cdrom settings)
add_dependencies(ripjob_headless_test cadrel-rip)
set_tests_properties(ripjob_headless_test PROPERTIES FIXTURES_SETUP ripjob_headless_files)

# Secure reading, the log, the CUE sheet and verification, headless.
add_wine_gtest(ripjob_secure_test SOURCES e2e/SecureRipTest.cpp LIBS ripcore testdisc LABELS e2e
  LOCKS cdrom settings)
add_dependencies(ripjob_secure_test cadrel-rip)


# The MP3 files the job left after a Cancel, an unreadable block and a
# headless rip, decoded on the Linux side: whole frames, the right length.
set(ripjob_out ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/ripjob-e2e)
foreach(check "cancelled-78.mp3;160;78;ripjob_mp3_files" "abandoned-52.mp3;160;52;ripjob_mp3_files"
              "headless-128-80.mp3;128;80;ripjob_headless_files")
  list(POP_FRONT check file kbps frames fixture)
  string(REGEX REPLACE "\\.mp3$" "" name ${file})
  add_host_test(ripjob_check_${name} COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/check_mp3.py ${ripjob_out}/${file}
    ${kbps} ${frames} LABELS e2e)
  set_tests_properties(ripjob_check_${name} PROPERTIES FIXTURES_REQUIRED ${fixture})
endforeach()

# The demo disc ripped by the program's headless mode: the WAV identical to the
# image, the MP3 close to it (tests/e2e/demo_disc_rip.py states the measure).
add_host_test(demo_disc_rip COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/demo_disc_rip.py ${CADREL_BUILD_ROOT}
  ${PROJECT_SOURCE_DIR} LABELS e2e LOCKS cdrom settings TIMEOUT 600)

# An audio CD the simulated engine recorded through VexoCOM
# (vexocom_audio_image_test), ripped back by the headless mode as WAV: every
# track bit-exact to its source, then silence.
add_host_test(audio_burn_rip COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/audio_burn_rip.py ${CADREL_BUILD_ROOT}
  ${PROJECT_SOURCE_DIR} LABELS e2e LOCKS cdrom settings TIMEOUT 600)
set_tests_properties(audio_burn_rip PROPERTIES FIXTURES_REQUIRED audio_burn_image)

# The demo disc ripped securely with the log: checksums against whipper's
# checksum module and crc32, disc identifiers against libdiscid, /verify
# with a record built from them (tests/e2e/rip_proof_check.py states it).
add_host_test(rip_proof_check COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/rip_proof_check.py
  ${CADREL_BUILD_ROOT} ${PROJECT_SOURCE_DIR} LABELS e2e LOCKS cdrom settings TIMEOUT 900)

# The main window's rip writes the log and reads securely when the settings ask.
add_wine_gtest(ripjob_window_log_test SOURCES e2e/WindowRipLogTest.cpp LIBS ripui testdisc windowtesting LABELS e2e
  LOCKS cdrom settings)

# A corpus of malformed disc images, made at test time: each is no disc to the
# CD access library, the MCI device and the headless rip alike, or a disc all
# three agree on that rips bit-exact.
add_wine_gtest(malformed_disc_test SOURCES e2e/MalformedDiscTest.cpp LIBS ripcore testdisc LABELS e2e sim
  LOCKS cdrom TIMEOUT 900)
add_dependencies(malformed_disc_test cadrel-rip)

# Malformed command lines for the headless rip and conversion modes, through
# the console programs and the windowed program.
add_wine_gtest(malformed_command_line_test SOURCES e2e/MalformedCommandLineTest.cpp LIBS ripcore testdisc
  LABELS e2e LOCKS cdrom converter TIMEOUT 900)
add_dependencies(malformed_command_line_test cadrel-rip cadrel-convert CadrelConverter)
if(TARGET avformat)
  add_dependencies(malformed_command_line_test avformat)
endif()
# CadrelConverter.exe started with and without its window: which libraries
# each run loads, the window's controls and file dialog.
add_wine_gtest(program_start_test SOURCES e2e/ProgramStartTest.cpp LIBS ripcore testdisc psapi LABELS e2e
  LOCKS cdrom settings TIMEOUT 300)
add_dependencies(program_start_test CadrelConverter)

# Every rip test needs the drive stand-ins built.
foreach(t ripjob_test ripjob_noencoder_test ripjob_headless_test ripjob_secure_test ripjob_window_log_test
          malformed_disc_test malformed_command_line_test program_start_test)
  foreach(stand_in akrip32 mcivcd)
    if(TARGET ${stand_in})
      add_dependencies(${t} ${stand_in})
    endif()
  endforeach()
endforeach()
