# penshelf_test_suite(NAME <exe> SOURCES <files...> LIBS <targets...> [ENV <VAR=value...>]
#                     [RUN_UNDER <command...>] [QT])
# One GoogleTest executable per subsystem; each test case becomes a CTest test.
# QT suites run inside a QApplication (tests/support/QtTestMain.cpp).
function(penshelf_test_suite)
  cmake_parse_arguments(ARG "QT" "NAME" "SOURCES;LIBS;ENV;RUN_UNDER" ${ARGN})
  set(env ${ARG_ENV})
  if(ARG_QT)
    add_executable(${ARG_NAME} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/QtTestMain.cpp)
    set_target_properties(${ARG_NAME} PROPERTIES AUTOMOC ON)
    target_link_libraries(${ARG_NAME} PRIVATE Qt6::Widgets Qt6::Test)
  else()
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE GTest::gtest_main)
  endif()
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(ARG_RUN_UNDER)
    # Used for both listing and running the tests.
    set_target_properties(${ARG_NAME} PROPERTIES CROSSCOMPILING_EMULATOR "${ARG_RUN_UNDER}")
  endif()
  gtest_discover_tests(${ARG_NAME}
    TEST_PREFIX "${ARG_NAME}."
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${env}")
endfunction()
