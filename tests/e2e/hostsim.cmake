# hostsim against real FTP clients (curl, tnftp).
if(TARGET hostsim)
  add_test(NAME e2e_hostsim_interop
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/hostsim/interop.sh $<TARGET_FILE:hostsim>
                   ${CMAKE_SOURCE_DIR}/hostsim/seeds/demo.seed)
  set_tests_properties(e2e_hostsim_interop PROPERTIES TIMEOUT 180 LABELS e2e)
endif()
if(TARGET hostsim AND TARGET kvftp)
  add_test(NAME e2e_hostsim_tls
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/hostsim/tls.sh $<TARGET_FILE:hostsim>
                   ${CMAKE_SOURCE_DIR}/hostsim/seeds/demo.seed $<TARGET_FILE:kvftp>)
  set_tests_properties(e2e_hostsim_tls PROPERTIES TIMEOUT 180 SKIP_RETURN_CODE 77 LABELS e2e)
  add_test(NAME e2e_hostsim_options
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/hostsim/options.sh $<TARGET_FILE:hostsim> $<TARGET_FILE:kvftp>)
  set_tests_properties(e2e_hostsim_options PROPERTIES TIMEOUT 120 LABELS e2e)
endif()
if(TARGET hostsim)
  add_test(NAME e2e_hostsim_crash
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/hostsim/crash.sh $<TARGET_FILE:hostsim>)
  set_tests_properties(e2e_hostsim_crash PROPERTIES TIMEOUT 180 LABELS e2e)
endif()
