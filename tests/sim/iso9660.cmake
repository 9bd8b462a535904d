# The ISO 9660 library (sim/iso9660): names, writer, round trips and damaged
# images as logic; the sample images checked from the outside with xorriso
# and isoinfo, and an image xorriso made read back with the library.
add_wine_gtest(iso9660_test SOURCES sim/iso9660_test.cpp LIBS iso9660 LABELS logic sim)
# Files-first images (files placed as they arrive, folders after them).
add_wine_gtest(iso9660_filesfirst_test SOURCES sim/iso9660_filesfirst_test.cpp LIBS iso9660 LABELS logic sim)

add_executable(iso9660_samples sim/iso9660_samples.cpp)
target_link_libraries(iso9660_samples PRIVATE iso9660 shell32)

set(iso9660_script ${CMAKE_CURRENT_SOURCE_DIR}/sim/iso9660_outside.sh)
add_host_test(iso9660_prepare COMMAND ${iso9660_script} prepare LABELS sim e2e)
set_tests_properties(iso9660_prepare PROPERTIES FIXTURES_SETUP iso9660_images)
foreach(check rockridge joliet plain deep xorriso relocated)
  add_host_test(iso9660_outside_${check} COMMAND ${iso9660_script} ${check} LABELS sim e2e)
  set_tests_properties(iso9660_outside_${check} PROPERTIES FIXTURES_REQUIRED iso9660_images)
endforeach()
