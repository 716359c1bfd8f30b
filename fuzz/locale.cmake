# Dictionary files (text and binary) and language-pack descriptions.
tessaly_add_fuzzer(NAME text_dictionary_fuzz CORPUS text_dictionary
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/text_dictionary_fuzz.cpp LIBS locale)
tessaly_add_fuzzer(NAME binary_dictionary_fuzz CORPUS binary_dictionary
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/binary_dictionary_fuzz.cpp LIBS locale)
tessaly_add_fuzzer(NAME locale_pack_fuzz CORPUS locale_pack
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/locale_pack_fuzz.cpp LIBS locale)
