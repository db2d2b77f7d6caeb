# Windows: one GoogleTest program, tests_windows.exe, run under Wine by scripts/test-windows.
# It takes the test folders whose code is portable, without the files that test the Linux
# services or start Linux programs, plus tests/win32/.
set(windows_test_folders platform resources render runtime window script dui/core dui/layout dui/loader dui/style dui/controls win32)
set(linux_only_tests
  platform/gtk_mappings_test.cpp platform/gtk_smoke_test.cpp
  platform/os_file_tree_test.cpp platform/os_instance_guard_test.cpp platform/os_paths_test.cpp
  platform/os_processes_test.cpp platform/os_replacing_file_test.cpp platform/os_restart_marker_test.cpp
  platform/system_desktop_services_test.cpp platform/system_file_operations_test.cpp
  platform/system_processes_test.cpp platform/system_registry_store_test.cpp
  platform/system_shell_execute_test.cpp platform/free_space_test.cpp
  resources/bundle_test.cpp resources/package_writer_test.cpp
  script/system_functions_test.cpp script/background_work_test.cpp)

set(windows_test_sources)
foreach(folder ${windows_test_folders})
  file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  list(APPEND windows_test_sources ${found})
endforeach()
foreach(excluded ${linux_only_tests})
  list(REMOVE_ITEM windows_test_sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
endforeach()
# The support files of tests/support/ serve both systems; posix/ and windows/ hold the same
# files for each system.
file(GLOB support_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/windows/*.cpp)

add_executable(tests_windows ${windows_test_sources} ${support_sources})
target_include_directories(tests_windows PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tests_windows PRIVATE tamlo_engine tamlo_authoring gtest gmock)
# Wine sees the Linux file system as drive Z:.
target_compile_definitions(tests_windows PRIVATE
  TAMLO_SOURCE_DIR="Z:${CMAKE_SOURCE_DIR}"
  TAMLO_BINARY_DIR="Z:${CMAKE_BINARY_DIR}")
# The tests read the built engine program.
add_dependencies(tests_windows tamlo)
