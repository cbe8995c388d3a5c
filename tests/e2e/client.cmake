# End to end: the engine on the memory panel, our FTP client and hostsim.
if(TARGET kv_client AND TARGET hostsim AND TARGET kvftp AND TARGET kv_setup)
  file(GLOB e2e_client_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/client/*.cpp)
  add_executable(e2e_client ${e2e_client_sources})
  target_link_libraries(e2e_client PRIVATE kv_cli kv_cli_setup kv_client kv_setup kv_common GTest::gtest_main util)
  target_compile_definitions(e2e_client PRIVATE
    KV_HOSTSIM="$<TARGET_FILE:hostsim>" KV_KVFTP="$<TARGET_FILE:kvftp>" KV_KVXFER="$<TARGET_FILE:kvxfer>"
    KV_E2E_SEED="${CMAKE_CURRENT_LIST_DIR}/client/e2e.seed")
  add_dependencies(e2e_client hostsim kvftp kvxfer)
  if(TARGET kv_templates)
    target_compile_definitions(e2e_client PRIVATE KV_TEMPLATES_DIR="${KV_TEMPLATES_DIR}")
    add_dependencies(e2e_client kv_templates)
  endif()
  gtest_discover_tests(e2e_client DISCOVERY_TIMEOUT 60 PROPERTIES LABELS e2e TIMEOUT 300)
endif()
