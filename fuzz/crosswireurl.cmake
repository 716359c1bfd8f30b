tessaly_add_fuzzer(NAME crosswireurl_fuzz CORPUS crosswireurl
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/crosswireurl_fuzz.cpp
    LIBS crosswire platform)
