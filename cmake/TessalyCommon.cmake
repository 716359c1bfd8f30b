# Flags every target of the project shares, and the helpers that register tests.

add_library(tessaly_common INTERFACE)
add_library(Tessaly::Common ALIAS tessaly_common)
target_compile_features(tessaly_common INTERFACE cxx_std_20)
target_compile_options(tessaly_common INTERFACE -Wall -Wextra)
target_compile_definitions(tessaly_common INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_USE_QSTRINGBUILDER
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_FOREACH)
# Headers are included by their path from the top of the repository
# ("platform/registry/ptsettings.h"); generated headers live in the build folder.
target_include_directories(tessaly_common INTERFACE
    ${PROJECT_SOURCE_DIR}
    ${PROJECT_BINARY_DIR}/generated)

if(TESSALY_SANITIZE)
    target_compile_options(tessaly_common INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(tessaly_common INTERFACE -fsanitize=address,undefined)
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/tessaly_version.h.in
    ${PROJECT_BINARY_DIR}/generated/tessaly_version.h @ONLY)

include(GoogleTest)

# tessaly_add_test(NAME name SOURCES ... LIBS ... [GUI])
# One GoogleTest executable per folder. GUI tests need an X server; the test command runs them
# under Xvfb, and the sanitizer build (without GUI) leaves them out.
function(tessaly_add_test)
    cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/test_main.cpp)
    target_link_libraries(${T_NAME} PRIVATE tessaly_common tessaly_test_support
        GTest::gtest GTest::gmock ${T_LIBS})
    if(T_GUI)
        target_compile_definitions(${T_NAME} PRIVATE TESSALY_GUI_TEST)
        target_link_libraries(${T_NAME} PRIVATE Qt6::Widgets)
    endif()
    target_compile_definitions(${T_NAME} PRIVATE
        TESSALY_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        TESSALY_BINARY_DIR="${PROJECT_BINARY_DIR}")
    # GUI tests list their cases only with an X server, so they are discovered when the tests
    # run (under Xvfb), not at build time.
    if(T_GUI)
        set(discovery PRE_TEST)
    else()
        set(discovery POST_BUILD)
    endif()
    gtest_discover_tests(${T_NAME}
        DISCOVERY_TIMEOUT 60
        DISCOVERY_MODE ${discovery}
        PROPERTIES LABELS "$<IF:$<BOOL:${T_GUI}>,gui,unit>")
endfunction()
