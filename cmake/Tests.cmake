# Registers the tests of the calling folder: one executable per source file, each of its
# test cases a CTest test, run with the offscreen Qt platform.
#
#   tamvik_add_tests(PREFIX name             targets are name_<file stem>
#                    [SOURCES file...]       these files (default: every *Test.cpp)
#                    [MAIN library | OWN_MAIN]  main() from the library (default GoogleTest's),
#                                            or from each test file
#                    [LIBS library...] [INCLUDES dir...] [DEFINES name=value...]
#                    [DEPENDS target...]     built before the tests (plug-ins they load)
#                    [ENV VAR=value...])     the tests' environment
function(tamvik_add_tests)
  cmake_parse_arguments(T "OWN_MAIN" "PREFIX;MAIN" "SOURCES;LIBS;INCLUDES;DEFINES;DEPENDS;ENV" ${ARGN})
  if(TAMVIK_SANITIZE STREQUAL "thread")
    list(APPEND T_ENV "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp")
  endif()
  if(T_SOURCES)
    list(TRANSFORM T_SOURCES PREPEND "${CMAKE_CURRENT_SOURCE_DIR}/")
  else()
    file(GLOB T_SOURCES CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp")
  endif()
  if(T_OWN_MAIN)
    set(main "")
  elseif(T_MAIN)
    set(main ${T_MAIN})
  else()
    set(main GTest::gtest_main)
  endif()

  # Each prefix is a suite: a target that builds its tests and a CTest label that runs them
  # (the sanitizer builds take only some suites).
  if(NOT TARGET tests_${T_PREFIX})
    add_custom_target(tests_${T_PREFIX})
  endif()
  list(PREPEND T_ENV "QT_QPA_PLATFORM=offscreen")
  foreach(source IN LISTS T_SOURCES)
    get_filename_component(stem "${source}" NAME_WE)
    set(target "${T_PREFIX}_${stem}")
    add_executable(${target} "${source}")
    add_dependencies(tests_${T_PREFIX} ${target})
    target_include_directories(${target} PRIVATE ${T_INCLUDES})
    target_link_libraries(${target} PRIVATE ${main} ${T_LIBS} GTest::gtest GTest::gmock)
    target_compile_definitions(${target} PRIVATE ${T_DEFINES})
    if(T_DEPENDS)
      add_dependencies(${target} ${T_DEPENDS})
    endif()
    # Private JACK servers started side by side share JACK's registry and now and then
    # refuse their clients under load: tests that start one take turns.
    file(READ "${source}" text)
    set(lock "")
    if(text MATCHES "JackServer\\.h")
      set(lock RESOURCE_LOCK jackd)
    endif()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60)
    # The properties go on in a file CTest reads after the discovered list: handed to
    # gtest_discover_tests, a list of variables is split at its ";" into property names
    # and values, and the variables after the first (and what follows them) are lost.
    set(properties "${CMAKE_CURRENT_BINARY_DIR}/${target}_properties.cmake")
    file(CONFIGURE OUTPUT "${properties}" @ONLY CONTENT "if(@target@_TESTS)
  set_tests_properties(\${@target@_TESTS} PROPERTIES ENVIRONMENT [==[@T_ENV@]==] LABELS @T_PREFIX@ @lock@)
endif()
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${properties}")
  endforeach()
endfunction()

# Window tests: tamvik_add_tests on the main window fixture of tests/app, with the
# program's own application object, the scripted dialogs and the fake service. Unless
# OWN_DRIVERS is given, no driver registry is found (the tests that need one write it).
#   tamvik_window_tests(prefix [OWN_DRIVERS] [LIBS ...] [INCLUDES ...] [DEFINES ...]
#                       [DEPENDS ...] [ENV ...])
function(tamvik_window_tests prefix)
  cmake_parse_arguments(W "OWN_DRIVERS" "" "LIBS;INCLUDES;DEFINES;DEPENDS;ENV" ${ARGN})
  if(NOT W_OWN_DRIVERS)
    list(APPEND W_ENV "VANTREL_DRIVERS=/nonexistent/vantrel-drivers.ini")
  endif()
  tamvik_add_tests(PREFIX ${prefix}
    MAIN tamvik_app_test_main
    LIBS tamvik_gui tamvik_test_ui tamvik_test_support tamvik_fake_service tamvik_test_alsa Qt6::Test ${W_LIBS}
    INCLUDES ${PROJECT_SOURCE_DIR}/tests/app ${W_INCLUDES}
    DEFINES ${W_DEFINES}
    DEPENDS ${W_DEPENDS}
    ENV ${W_ENV})
endfunction()
