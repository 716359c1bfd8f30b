tessaly_add_fuzzer(NAME crosswire_fuzz CORPUS crosswire
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/crosswire_fuzz.cpp
    LIBS crosswire platform)
