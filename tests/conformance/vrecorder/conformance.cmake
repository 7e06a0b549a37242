# The virtual recorder's ASPI library seen by a foreign client: a test program that loads it
# by path (natively with dlopen, under Wine with LoadLibrary) and records three discs, then a
# check of those discs with independent ISO readers.
if(NOT TARGET vrecorder_aspi)
  return()
endif()
set(_vc_dir ${CMAKE_CURRENT_LIST_DIR})
set(_vc_work ${CMAKE_CURRENT_BINARY_DIR}/vrecorder-conformance)
add_custom_command(OUTPUT ${_vc_work}/conformance.iso ${_vc_work}/session2.iso
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_vc_work}
  COMMAND sh ${_vc_dir}/make_iso.sh ${_vc_work}
  DEPENDS ${_vc_dir}/make_iso.sh VERBATIM)
add_custom_target(vrecorder_conformance_iso DEPENDS ${_vc_work}/conformance.iso ${_vc_work}/session2.iso)

add_executable(vrecorder_conformance ${_vc_dir}/conformance_test.cpp ${_vc_dir}/AspiClient.cpp)
add_dependencies(vrecorder_conformance vrecorder_conformance_iso vrecorder_aspi)
target_include_directories(vrecorder_conformance PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(vrecorder_conformance PRIVATE vrecorder_core ${SCRIVO_GTEST} ${SCRIVO_GTEST_MAIN} ${CMAKE_DL_LIBS})
target_compile_definitions(vrecorder_conformance PRIVATE
  VRECORDER_ASPI_PATH="$<TARGET_FILE:vrecorder_aspi>"
  CONFORMANCE_ISO="${_vc_work}/conformance.iso"
  CONFORMANCE_ISO2="${_vc_work}/session2.iso"
  CONFORMANCE_OUT="${_vc_work}/discs")
add_test(NAME vrecorder_conformance COMMAND vrecorder_conformance)
# Wine has a built-in library of that name; ours must be the one loaded.
# Labelled "threads": the library completes requests on its own worker thread.
set_tests_properties(vrecorder_conformance PROPERTIES FIXTURES_SETUP vrecorder_discs LABELS threads
  ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml=\;wnaspi32=n")
# The check runs on the host in both builds (a plain command, not a target under the emulator).
add_test(NAME vrecorder_conformance_discs
  COMMAND /usr/bin/python3 ${_vc_dir}/check_discs.py ${_vc_work}
          ${_vc_work}/discs/cd-r.img ${_vc_work}/discs/dvd+rw.img ${_vc_work}/discs/dvd-r.img)
# Exit status 77 (tests/tools/needs.py): a reader is missing.
set_tests_properties(vrecorder_conformance_discs PROPERTIES FIXTURES_REQUIRED vrecorder_discs SKIP_RETURN_CODE 77)
