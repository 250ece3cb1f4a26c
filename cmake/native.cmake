# Unit tests of the windows' logic and the queries, against the recording platform and a
# scripted system; built with the address and undefined-behaviour sanitizers.
find_package(GTest REQUIRED)
enable_testing()

set(SANITIZERS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
target_compile_options(menu_core PRIVATE ${SANITIZERS})

file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(unit_tests ${NATIVE_TEST_SOURCES} platform/double/RecordingPlatform.cpp)
target_compile_options(unit_tests PRIVATE ${SANITIZERS})
target_link_options(unit_tests PRIVATE ${SANITIZERS})
target_link_libraries(unit_tests PRIVATE menu_core GTest::gtest_main)

include(GoogleTest)
gtest_discover_tests(unit_tests)

# A coverage-guided fuzzer for the two queries; needs clang (the "fuzz" preset).
if(MENU_FUZZ)
  add_executable(module1_fuzz tests/fuzz/Module1Fuzz.cpp tests/native/FakeSystem.cpp system/Module1.cpp
    system/SystemCalls.cpp)
  target_include_directories(module1_fuzz PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(module1_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(module1_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()
