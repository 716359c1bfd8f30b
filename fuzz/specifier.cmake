# The target specifier parser and its normalisation against the application lists.
tessaly_add_fuzzer(NAME specifier_fuzz CORPUS specifier
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/specifier_fuzz.cpp
    LIBS crosswire platform)
