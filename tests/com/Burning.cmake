# Burns in-process against the simulated engine, through the registered
# server, with late-bound sinks in the client's apartment.
add_server_client_test(vexocom_burn_test SOURCES BurnTest.cpp)

# Audio burns recorded as BIN/CUE images by the simulated engine; the
# round-trip image is left in bin/audio-roundtrip and ripped back through
# CadrelConverter's virtual drive by tests/e2e/audio_burn_rip.py.
add_server_client_test(vexocom_audio_image_test SOURCES AudioBurnRoundTripTest.cpp)
set_tests_properties(vexocom_audio_image_test PROPERTIES
  FIXTURES_SETUP audio_burn_image FIXTURES_REQUIRED audio_burn_sources)
# Its MP3 and WMA sources, made by the Linux ffmpeg with what they decode to.
add_host_test(vexocom_audio_image_sources COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/make_audio_sources.sh
  ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/audio-decoded LABELS com)
set_tests_properties(vexocom_audio_image_sources PROPERTIES FIXTURES_SETUP audio_burn_sources)

# The engine's file-system model: containers, produced files, file-system
# burns and burn-at-once, the images read back with the ISO 9660 reader.
add_server_client_test(vexocom_fscontent_test SOURCES FileSystemContentTest.cpp LIBS iso9660)

# The same model from a script client.
add_host_test(vexocom_script_file_system_content_vbs
  COMMAND ${PROJECT_SOURCE_DIR}/tests/scripts/check-script ${PROJECT_SOURCE_DIR}/tests/scripts/file_system_content.vbs
          ${PROJECT_SOURCE_DIR}/tests/scripts/file_system_content.vbs.expected
  LABELS com scripts LOCKS vexocom_registration)

# A thousand small burns to the image recorder and a thousand block reads
# and writes, with no growth in threads, handles, memory or engine blocks.
add_server_client_test(vexocom_burn_stress_test SOURCES BurnStressTest.cpp LIBS psapi TIMEOUT 600)
