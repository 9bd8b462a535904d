# The type library VEXOLib walked against the interface tables, and the
# proxy/stub code of the forwarder interfaces marshalling across apartments.
# The built Vexo.tlb is copied next to the test program, which loads it
# without registration.
add_wine_gtest(typelib_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TypeLibTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ForwarderProxyTest.cpp
  LIBS vexo_idl oleaut32 ole32 rpcrt4 uuid
  LABELS com)
add_dependencies(typelib_test vexo_tlb)
# One test registers the library when it finds it unregistered, and takes it
# out again: not while the server's tests register and unregister.
set_tests_properties(typelib_test PROPERTIES RESOURCE_LOCK vexocom_registration)
add_custom_command(TARGET typelib_test POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VEXO_TLB_PATH} $<TARGET_FILE_DIR:typelib_test>/Vexo.tlb
  VERBATIM)
