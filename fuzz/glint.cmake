# The invoke documents a movie sends to the host, and the UTF conversions at the player boundary.
tessaly_add_fuzzer(NAME invoke_fuzz CORPUS invoke
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/invoke_fuzz.cpp
    LIBS glint_invoke)
