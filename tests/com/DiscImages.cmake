# Mixed, freestyle and video discs and disc copies end to end: DiscImages.sh
# runs vexocom_discimages_test.exe (burns through the registered server to
# the simulated engine's image recorder) and checks the data track and the
# video CD image with xorriso and isoinfo.
add_executable(vexocom_discimages_test DiscImagesTest.cpp DriveTestSupport.cpp ServerTestSupport.cpp
  ${VEXO_IDL_INCLUDE_DIR}/Vexo_i.c)
target_link_libraries(vexocom_discimages_test PRIVATE ole32 oleaut32 uuid advapi32 gtest_main)
target_include_directories(vexocom_discimages_test PRIVATE ${VEXO_IDL_INCLUDE_DIR})
add_dependencies(vexocom_discimages_test VexoCOM vexoapi vexo_tlb)
add_host_test(vexocom_discimages COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/DiscImages.sh LABELS com e2e TIMEOUT 600)
set_tests_properties(vexocom_discimages PROPERTIES RESOURCE_LOCK vexocom_registration)
