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
    # -O1 (on top of the build type's debug information and assertions) keeps the sanitized
    # suite within a few times the speed of the normal one.
    add_compile_options(-O1 -fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# The public headers of the host's programming interface (host/arx.h, host/aced.h ...).
set(ARX_SDK_INCLUDE ${PROJECT_SOURCE_DIR}/host/include)

# Everything a module may include besides the host's public headers: the
# stand-ins for the operating system, the recoding engine and the drawing walk.
# A folder of links in the build tree, so that the module's include path holds
# these and nothing else of the source tree (no host internals).
set(ARX_MODULE_INCLUDE ${CMAKE_BINARY_DIR}/module-include)
file(MAKE_DIRECTORY ${ARX_MODULE_INCLUDE})
foreach(dir platform recode walk)
    if(NOT EXISTS ${ARX_MODULE_INCLUDE}/${dir})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${dir} ${ARX_MODULE_INCLUDE}/${dir} SYMBOLIC)
    endif()
endforeach()

# Apply the project's warnings to a target. The host's own code and the tests see
# the whole tree; what a target hands on to its users is only the public headers,
# so that nothing reaches a module through a library it links.
function(arx_target_defaults target)
    target_compile_options(${target} PRIVATE ${ARX_WARNING_FLAGS})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} PUBLIC ${ARX_SDK_INCLUDE})
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

# arx_build_libs(OUT BUILD lib...): the libraries of one build; for the narrow build
# each library that has a _narrow twin is replaced by it.
function(arx_build_libs out build)
    set(libs)
    foreach(lib ${ARGN})
        if(build STREQUAL "narrow" AND TARGET ${lib}_narrow)
            list(APPEND libs ${lib}_narrow)
        else()
            list(APPEND libs ${lib})
        endif()
    endforeach()
    set(${out} ${libs} PARENT_SCOPE)
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
        arx_build_libs(libs ${build} ${T_LIBS})
        target_link_libraries(${tgt} PRIVATE ${libs} GTest::gtest GTest::gtest_main)
        if(build STREQUAL "narrow")
            arx_make_narrow(${tgt})
        endif()
        gtest_discover_tests(${tgt} TEST_PREFIX "${build}." DISCOVERY_MODE PRE_TEST
                             PROPERTIES ENVIRONMENT "${T_ENV}")
    endforeach()
endfunction()

# arx_dual_module(NAME [WIDE_NAME file] [NARROW_NAME file] SOURCES src... [LIBS lib...]
#                 [DEFINITIONS def...]) builds a loadable module twice from the same
# sources: NAME (wide, linked with arxed) and NAME_narrow (code page 1251, linked
# with arxed_narrow). LIBS are mapped to their _narrow twins for the narrow build.
# The output files are WIDE_NAME.arx and NARROW_NAME.arx (default NAME and
# NAME_narrow). A module sees only the public headers and ARX_MODULE_INCLUDE, is
# built with hidden visibility and exports only what ARX_MODULE_EXPORT marks.
function(arx_dual_module name)
    cmake_parse_arguments(M "" "WIDE_NAME;NARROW_NAME" "SOURCES;LIBS;DEFINITIONS" ${ARGN})
    if(NOT M_WIDE_NAME)
        set(M_WIDE_NAME ${name})
    endif()
    if(NOT M_NARROW_NAME)
        set(M_NARROW_NAME ${name}_narrow)
    endif()
    foreach(build wide narrow)
        if(build STREQUAL "wide")
            set(tgt ${name})
            set(out ${M_WIDE_NAME})
        else()
            set(tgt ${name}_narrow)
            set(out ${M_NARROW_NAME})
        endif()
        arx_build_libs(libs ${build} arxed ${M_LIBS})
        add_library(${tgt} MODULE ${M_SOURCES})
        target_compile_options(${tgt} PRIVATE ${ARX_WARNING_FLAGS})
        target_include_directories(${tgt} PRIVATE ${ARX_SDK_INCLUDE} ${ARX_MODULE_INCLUDE})
        target_link_libraries(${tgt} PRIVATE ${libs})
        target_compile_definitions(${tgt} PRIVATE ${M_DEFINITIONS})
        set_target_properties(${tgt} PROPERTIES PREFIX "" SUFFIX ".arx" OUTPUT_NAME ${out}
                              CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
        if(build STREQUAL "narrow")
            arx_make_narrow(${tgt})
        endif()
        # Libraries linked statically into a module stay hidden in it.
        target_link_options(${tgt} PRIVATE "LINKER:--exclude-libs,ALL")
    endforeach()
endfunction()
