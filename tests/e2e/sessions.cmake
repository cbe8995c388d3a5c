# Fifty sessions at once against one hostsim, through kvxfer and our FTP client.
find_package(Python3 COMPONENTS Interpreter)
if(TARGET hostsim AND TARGET kvftp AND TARGET kvxfer AND Python3_Interpreter_FOUND)
  add_test(NAME e2e_fifty_sessions
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/sessions/fifty_sessions.py
                   --hostsim $<TARGET_FILE:hostsim> --kvftp $<TARGET_FILE:kvftp> --kvxfer $<TARGET_FILE:kvxfer>)
  set_tests_properties(e2e_fifty_sessions PROPERTIES TIMEOUT 400 LABELS e2e)
endif()
