# Common compile settings for every target of the project.
add_library(capspect_options INTERFACE)
target_include_directories(capspect_options INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(capspect_options INTERFACE -Wall -Wextra -Wpedantic)
if(CAPSPECT_WERROR)
    target_compile_options(capspect_options INTERFACE -Werror)
endif()
if(CAPSPECT_SANITIZE)
    target_compile_options(capspect_options INTERFACE
        -fsanitize=${CAPSPECT_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(capspect_options INTERFACE -fsanitize=${CAPSPECT_SANITIZE})
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # GCC 12 reports false maybe-uninitialized warnings inside <regex> and
        # <functional> once the sanitizers instrument them; the main build keeps the check.
        target_compile_options(capspect_options INTERFACE -Wno-maybe-uninitialized)
    endif()
endif()
if(CAPSPECT_FUZZ)
    # Coverage instrumentation for libFuzzer in every library; only the fuzz targets link
    # the fuzzer's driver (fuzz/CMakeLists.txt).
    target_compile_options(capspect_options INTERFACE -fsanitize=fuzzer-no-link)
    target_link_options(capspect_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# capspect_add_test(NAME SOURCES... LIBS ... [LABELS ...] [LOCALES ...]): one GoogleTest
# program, registered with CTest; its tests carry the LABELS (e.g. longrun) for ctest -L /
# -LE. On Windows a process's user locale is fixed when it starts, so the program runs
# once per locale of LOCALES (default en_US.UTF-8); Linux tests switch locales themselves.
function(capspect_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;LOCALES" ${ARGN})
    # Every test program gives each test a platform context of its own.
    add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/fresh_platform.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} capspect_platform capspect_options
                          GTest::gtest GTest::gmock GTest::gtest_main)
    if(WIN32)
        # Under Wine each process start costs seconds: one test per program and locale, all
        # its cases in one run.
        if(NOT ARG_LOCALES)
            set(ARG_LOCALES en_US.UTF-8)
        endif()
        foreach(locale IN LISTS ARG_LOCALES)
            string(REGEX REPLACE "\\..*" "" locale_name ${locale})
            add_test(NAME ${name}.${locale_name} COMMAND ${name} --gtest_brief=1)
            # A bound, so that a platform that hangs fails the run instead of stalling it. A
            # Wine process whose locale differs from the prefix's rewrites the prefix's locale
            # settings, so programs in one prefix take turns.
            set_tests_properties(${name}.${locale_name} PROPERTIES TIMEOUT 300
                RESOURCE_LOCK wineprefix ENVIRONMENT
                "CAPSPECT_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;LC_ALL=${locale}")
            if(ARG_LABELS)
                set_tests_properties(${name}.${locale_name} PROPERTIES LABELS "${ARG_LABELS}")
            endif()
        endforeach()
        return()
    endif()
    include(GoogleTest)
    set(properties ENVIRONMENT "CAPSPECT_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
    if(ARG_LABELS)
        list(APPEND properties LABELS "${ARG_LABELS}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()
