# Makes one media tree (cmake -P). OUT: the tree; SETUP, SETUP_NAME: the setup
# program and its name on the media; CLIENT: the client program; FTP: the FTP client; TEMPLATES: the folder of the
# workbook templates; MANUAL: the folder of the HTML manual; HELP: the folder of
# the WinHelp files; HOSTSIM: makes the
# host libraries' save files.
set(client ${CLIENT})
foreach(required SETUP client FTP)
  if(NOT ${required} OR NOT EXISTS ${${required}})
    message(FATAL_ERROR "media: ${required} (${${required}}) is not built")
  endif()
endforeach()

file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT}/setpg "${OUT}/KV-Windows版")
file(COPY_FILE ${SETUP} ${OUT}/${SETUP_NAME})
file(COPY_FILE ${client} "${OUT}/KV-Windows版/hostxfer.exe")
file(COPY_FILE ${FTP} ${OUT}/setpg/FTP.EXE)

file(GLOB templates ${TEMPLATES}/*.xls)
list(LENGTH templates count)
if(NOT count EQUAL 25)
  message(WARNING "media: ${count} workbook templates in '${TEMPLATES}', 25 expected")
endif()
foreach(t ${templates})
  get_filename_component(name ${t} NAME)
  file(COPY_FILE ${t} ${OUT}/setpg/${name})
endforeach()
foreach(help ${MANUAL}/KV1.html ${HELP}/KV1.HLP ${HELP}/KV1.cnt)
  get_filename_component(name ${help} NAME)
  file(COPY_FILE ${help} ${OUT}/setpg/${name})
endforeach()

foreach(lib "--tool-library;TRIAL_KVU" "--data-library;TRIAL_KVD")
  list(GET lib 1 name)
  execute_process(COMMAND ${HOSTSIM} mksavf ${lib} ${OUT}/${name}.SAVF RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "media: hostsim mksavf ${lib} failed (${rc})")
  endif()
endforeach()
