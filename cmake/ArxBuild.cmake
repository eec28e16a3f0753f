# Build conventions shared by every target of the project.
#
# One source, two builds: a library that handles host strings is compiled twice
# from the same files. The wide build sees ACHAR as char16_t; the narrow build is
# compiled with ARX_NARROW defined, sees ACHAR as char, and has its narrow string
# literals encoded in code page 1251 (GCC's -fexec-charset), so that the same
# Russian message in the source is UTF-16 in one build and 1251 bytes in the other.

set(ARX_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
    -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough)
# GCC 12 at -O3 reports overlapping copies inside std::string that cannot happen (its bug
# 105329); the warning says nothing about this code, so it is off for that compiler.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    list(APPEND ARX_WARNING_FLAGS -Wno-restrict)
endif()
if(ARX_WERROR)
    list(APPEND ARX_WARNING_FLAGS -Werror)
endif()

if(ARX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Apply the project's warnings to a target.
function(arx_target_defaults target)
    target_compile_options(${target} PRIVATE ${ARX_WARNING_FLAGS})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# Mark a target as belonging to the narrow (code page 1251) build.
function(arx_make_narrow target)
    target_compile_definitions(${target} PUBLIC ARX_NARROW=1)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -fexec-charset=CP1251)
    endif()
endfunction()

# arx_dual_library(NAME TYPE src...) creates NAME (wide) and NAME_narrow from the
# same sources. TYPE is STATIC, SHARED or OBJECT.
function(arx_dual_library name type)
    add_library(${name} ${type} ${ARGN})
    arx_target_defaults(${name})
    add_library(${name}_narrow ${type} ${ARGN})
    arx_target_defaults(${name}_narrow)
    arx_make_narrow(${name}_narrow)
endfunction()

# arx_dual_test(NAME src... LIBS lib...) builds a GoogleTest executable per build;
# each library named in LIBS is linked as LIB for the wide test and LIB_narrow
# (when such a target exists) for the narrow one. Tests are registered with CTest
# under the prefixes "wide." and "narrow.".
function(arx_dual_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
    foreach(build wide narrow)
        set(tgt ${name}_${build})
        add_executable(${tgt} ${T_SOURCES})
        arx_target_defaults(${tgt})
        set(libs)
        foreach(lib ${T_LIBS})
            if(build STREQUAL "narrow" AND TARGET ${lib}_narrow)
                list(APPEND libs ${lib}_narrow)
            else()
                list(APPEND libs ${lib})
            endif()
        endforeach()
        target_link_libraries(${tgt} PRIVATE ${libs} GTest::gtest GTest::gtest_main)
        if(build STREQUAL "narrow")
            arx_make_narrow(${tgt})
        endif()
        gtest_discover_tests(${tgt} TEST_PREFIX "${build}." DISCOVERY_MODE PRE_TEST
                             PROPERTIES ENVIRONMENT "${T_ENV}")
    endforeach()
endfunction()
