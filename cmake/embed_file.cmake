# Writes a C++ source that holds a file's bytes: with INPUT (the file), OUTPUT (the source)
# and NAME set, include() it. The bytes become `extern const unsigned char NAME[]` and
# `extern const unsigned long NAME_size`.
file(READ "${INPUT}" content HEX)
string(LENGTH "${content}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes
       "${bytes}")
file(WRITE "${OUTPUT}"
     "// Made at build time from ${INPUT}.\n"
     "extern const unsigned char ${NAME}[] = {\n${bytes}};\n"
     "extern const unsigned long ${NAME}_size = ${size};\n")
