tessaly_add_fuzzer(NAME geo_fuzz CORPUS geo
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/geo_fuzz.cpp LIBS platform)
