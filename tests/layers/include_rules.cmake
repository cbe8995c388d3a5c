cmake_minimum_required(VERSION 3.20)
# The client's layers include only downward. For each folder, the folders its
# files may include from (a platform subfolder, win32/ or posix/, counts as its
# parent); run with
#   cmake -DROOT=<source folder> -P include_rules.cmake
# Prints each include that breaks a rule and fails when there is one.
set(rules
  "common|common"
  "client/panel|common client/panel"
  "client/workfiles|common client/panel client/workfiles"
  "client/engine|common xls client/panel client/workfiles client/engine"
  "client/window|common client/panel client/workfiles client/window"
  # The real window is the one place where the window's logic meets the engine.
  "client/window/win32|common client/panel client/workfiles client/engine client/window")

set(broken 0)
foreach(rule ${rules})
  string(REPLACE "|" ";" parts "${rule}")
  list(GET parts 0 folder)
  list(GET parts 1 allowed)
  string(REPLACE " " ";" allowed "${allowed}")
  file(GLOB sources ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  if(NOT folder MATCHES "/win32$" AND NOT folder STREQUAL "client/window")
    file(GLOB platform ${ROOT}/${folder}/win32/*.h ${ROOT}/${folder}/win32/*.cpp
         ${ROOT}/${folder}/posix/*.h ${ROOT}/${folder}/posix/*.cpp)
    list(APPEND sources ${platform})
  endif()
  if(NOT sources)
    message("${folder}: no sources; a rule for a folder that does not exist")
    set(broken 1)
  endif()
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" target "${line}")
      if(NOT target MATCHES "/")
        continue()  # a file beside the includer
      endif()
      string(REGEX REPLACE "/[^/]*$" "" target_folder "${target}")
      string(REGEX REPLACE "/(win32|posix)$" "" target_folder "${target_folder}")
      if(NOT target_folder IN_LIST allowed)
        file(RELATIVE_PATH rel ${ROOT} ${source})
        string(REPLACE ";" ", " listed "${allowed}")
        message("${rel} includes ${target}: ${folder} includes only from ${listed}")
        set(broken 1)
      endif()
    endforeach()
  endforeach()
endforeach()
if(broken)
  message(FATAL_ERROR "includes that run against the layers")
endif()
