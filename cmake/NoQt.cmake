# printune_core, printune-cli and printune-sim are plain C++20 + POSIX.
# Three checks keep Qt out of them:
#  1. configure time: nothing Qt in their (transitive) link libraries;
#  2. build time: a scan of their sources for Qt includes, run before the
#     core is compiled (target printune_no_qt_scan);
#  3. after linking cli and sim: readelf must show no libQt6 dependency.

set(PRINTUNE_NO_QT_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/check_no_qt.sh)

function(_printune_collect_links target out)
  set(result "")
  get_target_property(imported ${target} IMPORTED)
  set(props INTERFACE_LINK_LIBRARIES)
  if(NOT imported)
    list(APPEND props LINK_LIBRARIES)
  endif()
  foreach(prop IN LISTS props)
    get_target_property(libs ${target} ${prop})
    if(NOT libs)
      continue()
    endif()
    foreach(lib IN LISTS libs)
      list(APPEND result ${lib})
      if(TARGET ${lib} AND NOT lib STREQUAL target)
        _printune_collect_links(${lib} sub)
        list(APPEND result ${sub})
      endif()
    endforeach()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(printune_require_no_qt)
  foreach(target IN LISTS ARGN)
    _printune_collect_links(${target} links)
    foreach(lib IN LISTS links)
      if(lib MATCHES "Qt[0-9]*::|Qt[0-9]|^printune_ui$")
        message(FATAL_ERROR "${target} must not link Qt, but links ${lib}")
      endif()
    endforeach()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${PRINTUNE_NO_QT_SCRIPT} --binary $<TARGET_FILE:${target}>
        VERBATIM)
    endif()
  endforeach()
endfunction()
