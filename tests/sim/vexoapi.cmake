# The simulated burning engine VexoAPI.dll: its configuration, records and
# checks as logic; the engine and its variants bound by name as a client
# binds them (block access and virtual-multisession information in their
# own test); the 32-bit builds' exports checked without running them.
add_wine_gtest(vexoapi_logic_test SOURCES sim/vexoapi_logic_test.cpp LIBS vexoapi_state LABELS logic sim)
add_wine_gtest(vexoapi_test SOURCES sim/vexoapi_test.cpp LIBS version LABELS sim)
add_dependencies(vexoapi_test vexoapi_all)
add_wine_gtest(vexoapi_blocks_test SOURCES sim/vexoapi_blocks_test.cpp LABELS sim)
add_dependencies(vexoapi_blocks_test vexoapi)
add_host_test(vexoapi_exports_check COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/sim/vexoapi_exports.sh ${CADREL_BUILD_ROOT}
  ${PROJECT_SOURCE_DIR}/sim/vexoapi/VexoAPI.def LABELS build sim)
# The image recorder's pieces: cue sheets, WAV files, the image files.
add_wine_gtest(vexoapi_recorder_test SOURCES sim/vexoapi_recorder_test.cpp LIBS vexoapi_state LABELS logic sim)
# Data discs: burns writing ISO 9660 images, estimates and imports, read
# back and made with the ISO 9660 library.
add_wine_gtest(vexoapi_data_test SOURCES sim/vexoapi_data_test.cpp LIBS iso9660 LABELS sim)
add_dependencies(vexoapi_data_test vexoapi)
# File-system containers: the model through its operation tables, burns of
# containers with produced files, burn-at-once; the handle form's image
# checked from the outside with xorriso and isoinfo.
add_wine_gtest(vexoapi_fs_test SOURCES sim/vexoapi_fs_test.cpp LIBS iso9660 LABELS sim LOCKS vexoapi_fs_image)
target_include_directories(vexoapi_fs_test PRIVATE ${PROJECT_SOURCE_DIR}/vexocom/core/engine)
add_dependencies(vexoapi_fs_test vexoapi)
add_host_test(vexoapi_fs_outside COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/sim/vexoapi_fs_outside.sh LABELS sim e2e)
set_tests_properties(vexoapi_fs_outside PROPERTIES RESOURCE_LOCK vexoapi_fs_image)
# Mixed, CD-extra and freestyle discs as BIN/CUE images, video CDs and disc
# copies: read back with the engine's cue and medium readers and the ISO
# 9660 library.
add_wine_gtest(vexoapi_discs_test SOURCES sim/vexoapi_discs_test.cpp LIBS vexoapi_state iso9660 LABELS sim)
add_dependencies(vexoapi_discs_test vexoapi)
