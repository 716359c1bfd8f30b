# ZString dictionary loading and lookups beside QTranslator on a .qm file of the same strings
# (made with lrelease at run time).
find_program(TESSALY_LRELEASE lrelease HINTS /usr/lib/qt6/bin ${QT6_INSTALL_PREFIX}/bin NO_CACHE)
if(TESSALY_LRELEASE)
    add_executable(locale_bench ${CMAKE_CURRENT_SOURCE_DIR}/locale_bench.cpp)
    target_link_libraries(locale_bench PRIVATE tessaly_common locale Qt6::Core benchmark::benchmark)
    target_compile_definitions(locale_bench PRIVATE TESSALY_LRELEASE="${TESSALY_LRELEASE}")
endif()
