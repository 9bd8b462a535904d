# The ISO 9660 library (sim/iso9660): names, writer, round trips and damaged
# images as logic.
add_wine_gtest(iso9660_test SOURCES sim/iso9660_test.cpp LIBS iso9660 LABELS logic sim)
