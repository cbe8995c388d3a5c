# FTP client end-to-end tests: against vsftpd (a server nobody here wrote) and
# against a fault server of our own. Every test carries a time limit.
find_package(Threads REQUIRED)
if(TARGET kvftp)
  add_executable(e2e_ftp_faults ${CMAKE_CURRENT_LIST_DIR}/ftp/fault_server.cpp ${CMAKE_CURRENT_LIST_DIR}/ftp/faults_test.cpp)
  target_compile_definitions(e2e_ftp_faults PRIVATE KVFTP_PATH="$<TARGET_FILE:kvftp>")
  target_link_libraries(e2e_ftp_faults PRIVATE GTest::gtest_main Threads::Threads)
  add_dependencies(e2e_ftp_faults kvftp)
  gtest_discover_tests(e2e_ftp_faults DISCOVERY_TIMEOUT 60 PROPERTIES LABELS e2e TIMEOUT 60)

  set(kv_ftp_wine_client "")
  if(DEFINED KV_WIN_BUILD_DIR)
    set(kv_ftp_wine_client ${KV_WIN_BUILD_DIR}/ftp/FTP.EXE)
  endif()
  add_test(NAME ftp_vsftpd_interop
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/ftp/vsftpd_interop.sh $<TARGET_FILE:kvftp> ${kv_ftp_wine_client})
  set_tests_properties(ftp_vsftpd_interop PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77 LABELS e2e)
  add_test(NAME ftp_vsftpd_tls
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/ftp/vsftpd_tls.sh $<TARGET_FILE:kvftp> ${kv_ftp_wine_client})
  set_tests_properties(ftp_vsftpd_tls PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77 LABELS e2e)
endif()
