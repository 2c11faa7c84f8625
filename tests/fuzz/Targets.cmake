# The fuzz targets: tests/fuzz/fuzz_<name>.cpp, seeded from tests/fuzz/corpus/<name>/.
set(TORVEN_FUZZ_TARGETS reception console framer line_settings port_number)
