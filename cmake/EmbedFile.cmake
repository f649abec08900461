# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -P EmbedFile.cmake
# Writes a C++ source defining `extern const uint8_t SYMBOL[]` and `SYMBOL_size` with the
# bytes of INPUT, so a binary file joins a library without a committed giant source.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
  "// Generated from ${INPUT} at build time; do not edit.\n"
  "#include <stdint.h>\n"
  "extern const uint8_t ${SYMBOL}[];\n"
  "extern const uint32_t ${SYMBOL}_size;\n"
  "alignas (16) const uint8_t ${SYMBOL}[] = {\n${bytes}\n};\n"
  "const uint32_t ${SYMBOL}_size = ${size};\n")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
