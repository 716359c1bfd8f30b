# The player's trust files: one folder a line, written by hosts and editable by the user.
tessaly_add_fuzzer(NAME glinttrust_fuzz CORPUS glinttrust
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/glinttrust_fuzz.cpp
    LIBS glint_trust)
