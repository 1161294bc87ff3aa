# Settings of the Windows build (cross-built with mingw-w64, cmake/mingw-w64.cmake).

# The programs' resources (icon, version information, manifest).
enable_language(RC)

# The SDK headers as this code uses them: wide-character calls, no min/max macros, the
# DirectShow headers without strsafe.h (which renames vswprintf and breaks libstdc++), and
# Windows 10 as the oldest version.
target_compile_definitions(capspect_options INTERFACE
    UNICODE _UNICODE NOMINMAX NO_DSHOW_STRSAFE _WIN32_WINNT=0x0A00 WINVER=0x0A00)
# Our UTF-16 text reaches the platform's WCHAR (wchar_t) through pointer casts
# (platform/support/wide_string.h); keep the optimiser from assuming the two never alias.
target_compile_options(capspect_options INTERFACE -fno-strict-aliasing)
# One self-contained program: the C++ runtime, libgcc and winpthread linked in.
target_link_options(capspect_options INTERFACE -static)

# GoogleTest from Debian's sources (googletest package), built for Windows here; its own
# CMake files name the targets GTest::gtest, GTest::gmock and GTest::gtest_main.
set(CAPSPECT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${CAPSPECT_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The generators run on the build machine: built here with its own compiler.
set(CAPSPECT_HOST_CXX c++ CACHE STRING "The build machine's C++ compiler, for generators")
set(CAPSPECT_ERROR_TABLE_GENERATOR ${CMAKE_BINARY_DIR}/host/capspect_error_table_generator)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/host)
execute_process(
    COMMAND ${CAPSPECT_HOST_CXX} -std=c++20 -O1 -o ${CAPSPECT_ERROR_TABLE_GENERATOR}
            ${PROJECT_SOURCE_DIR}/tools/error_table_generator.cpp
    RESULT_VARIABLE host_build_result)
if(NOT host_build_result EQUAL 0)
    message(FATAL_ERROR "cannot build the error-table generator with ${CAPSPECT_HOST_CXX}")
endif()

# nlohmann-json is header-only: Debian's headers serve the Windows build as well, from a
# folder that holds nothing but them.
set(nlohmann_include ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${nlohmann_include})
file(CREATE_LINK /usr/include/nlohmann ${nlohmann_include}/nlohmann SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${nlohmann_include})
