# Writes a C++ source that holds a file's bytes as a NUL-terminated char array:
#   cmake -DIN=file -DOUT=source.cpp -DNAMESPACE=ns -DNAME=symbol -P embed.cmake
# The array is defined as `const char* const NAME` in NAMESPACE, for data files
# (such as the new-drawing template) that the code reads as text.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" len)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," body "${hex}")
# Sixteen bytes a line keeps the generated file readable and diffable.
string(REGEX REPLACE "(('\\\\x[0-9a-f][0-9a-f]',){16})" "\\1\n    " body "${body}")
get_filename_component(from ${IN} NAME)
file(WRITE ${OUT} "// Generated from ${from} at build time; do not edit.\n"
                  "namespace ${NAMESPACE} {\n"
                  "namespace {\n"
                  "const char kBytes[] = {\n    ${body}'\\0'};\n"
                  "}  // namespace\n"
                  "extern const char* const ${NAME};\n"
                  "const char* const ${NAME} = kBytes;\n"
                  "}  // namespace ${NAMESPACE}\n")
