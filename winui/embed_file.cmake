# Writes a C++ source that holds a file's bytes, for pictures kept inside the program:
#   cmake -DINPUT=file -DOUTPUT=out.cpp -DSYMBOL=name -P embed_file.cmake
# The source defines  extern const unsigned char SYMBOL[]  and  extern const
# std::size_t SYMBOL_size  in namespace embedded.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.new" "// Made from ${INPUT} at build time.\n#include <cstddef>\nnamespace embedded {\nextern const unsigned char ${SYMBOL}[] = {\n${bytes}\n};\nextern const std::size_t ${SYMBOL}_size = ${size};\n}  // namespace embedded\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
