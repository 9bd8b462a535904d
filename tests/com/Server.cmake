# The server: its pure logic directly; the server DLL in-process (own
# apartments, registered through DllRegisterServer); script clients through
# Wine's cscript against the registered server and the simulated engine.
add_wine_gtest(vexocom_logic_test
  SOURCES RegistryScriptTest.cpp ServerLogicTest.cpp
  LIBS vexo_core_logic LABELS logic com)
target_compile_definitions(vexocom_logic_test PRIVATE
  VEXO_CLASS_SCRIPT_TEMPLATE="${PROJECT_SOURCE_DIR}/vexocom/core/server/ClassScript.rgs.in")

add_server_client_test(vexocom_server_test SOURCES ServerTest.cpp StringTableTest.cpp)

# Script clients: what they print is compared with the expected output.
set(vexo_script_tests_dir ${PROJECT_SOURCE_DIR}/tests/scripts)
foreach(script engine_object.vbs engine_object.js no_engine.vbs no_engine.js bad_input.vbs compilation.vbs)
  string(REPLACE "." "_" name ${script})
  set(opt "")
  if(script MATCHES "^no_engine")
    set(opt --no-engine)
  endif()
  add_host_test(vexocom_script_${name}
    COMMAND ${vexo_script_tests_dir}/check-script ${opt} ${vexo_script_tests_dir}/${script}
            ${vexo_script_tests_dir}/${script}.expected
    LABELS com scripts LOCKS vexocom_registration)
endforeach()

# The COM foundation on objects of its own.
add_wine_gtest(vexocom_foundation_test SOURCES FoundationTest.cpp LIBS vexo_com LABELS com)
