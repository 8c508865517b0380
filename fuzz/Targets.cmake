# The fuzz entry points (fuzz/fuzz_<name>.cpp) and the libraries each links.
# Shared by the libFuzzer build (fuzz/CMakeLists.txt) and the corpus replay
# tests of the normal build (tests/fuzz/CMakeLists.txt).
set(RELVANE_FUZZ_TARGETS frames frames_fixed blocks ini_file config_file hex_file eeprom_text eeprom_raw dbc dbc_roundtrip)
set(RELVANE_FUZZ_LIBS_frames relvane_tools relvane_monitor relvane_firmware relvane_protocol)
set(RELVANE_FUZZ_LIBS_frames_fixed ${RELVANE_FUZZ_LIBS_frames})
set(RELVANE_FUZZ_LIBS_blocks relvane_protocol relvane_config)
set(RELVANE_FUZZ_LIBS_ini_file relvane_config)
set(RELVANE_FUZZ_LIBS_config_file relvane_config)
set(RELVANE_FUZZ_LIBS_hex_file relvane_firmware)
set(RELVANE_FUZZ_LIBS_eeprom_text relvane_tools)
set(RELVANE_FUZZ_LIBS_eeprom_raw relvane_tools)
set(RELVANE_FUZZ_LIBS_dbc relvane_can)
set(RELVANE_FUZZ_LIBS_dbc_roundtrip relvane_can)

# A target that takes the same inputs as another uses that one's seeds, dictionary and
# regression inputs (fuzz/corpus/<name>, fuzz/dict/<name>.dict, tests/fuzz/regressions/<name>).
set(RELVANE_FUZZ_SEEDS_dbc_roundtrip dbc)

# libFuzzer options of a target's runs (scripts/fuzz). The EEPROM readers' cost grows
# with every row an input fills, while one row is read like every other: short inputs
# keep them fast. (Files that reach the grid's end are among the seeds the replay tests
# run, and in the unit tests.)
set(RELVANE_FUZZ_OPTIONS_eeprom_text -max_len=1024)
set(RELVANE_FUZZ_OPTIONS_eeprom_raw -max_len=512)
# A DBC statement is a line or a few: every kind fits in 2 KiB beside others. (The seeds and
# the replay tests hold whole vehicle files.)
set(RELVANE_FUZZ_OPTIONS_dbc -max_len=2048)
set(RELVANE_FUZZ_OPTIONS_dbc_roundtrip -max_len=2048)
