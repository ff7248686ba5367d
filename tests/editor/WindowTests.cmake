# One offscreen window-test executable per *Test.cpp of the calling folder, on the main
# window fixture of tests/app and the program's own application object.
function(tamvik_window_tests prefix)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
  foreach(src IN LISTS sources)
    get_filename_component(stem "${src}" NAME_WE)
    set(target "${prefix}_${stem}")
    add_executable(${target} "${src}")
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/app)
    target_link_libraries(${target} PRIVATE tamvik_app_test_main tamvik_gui tamvik_test_ui tamvik_test_support
                          tamvik_fake_service tamvik_test_alsa GTest::gtest GTest::gmock)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT
      "QT_QPA_PLATFORM=offscreen;VANTREL_DRIVERS=/nonexistent/vantrel-drivers.ini")
  endforeach()
endfunction()
