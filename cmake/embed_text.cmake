# cmake -DINPUT=file -DOUTPUT=file.cpp -DHEADER=dir/name.h -DSYMBOL=name -P embed_text.cmake
# Writes a .cpp that defines `const char SYMBOL[]` (in namespace tamlo) as the bytes of
# INPUT, each as a \xNN escape, so no byte of the file can end or bend the literal.
file(READ "${INPUT}" hex HEX)
if(hex MATCHES "^(..)*00")
  message(FATAL_ERROR "${INPUT} holds a NUL byte; the text is read up to its first NUL")
endif()
# 24 bytes a line keeps the generated file readable; "|" marks a line end until then.
string(REPEAT ".." 24 line)
string(REGEX REPLACE "(${line})" "\\1|" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
string(REGEX REPLACE "\\|$" "" escaped "${escaped}")
string(REPLACE "|" "\"\n    \"" escaped "${escaped}")
get_filename_component(name "${INPUT}" NAME)
set(content "// Generated from ${name} by cmake/embed_text.cmake; edit ${name} instead.
#include \"${HEADER}\"

namespace tamlo {

const char ${SYMBOL}[] =
    \"${escaped}\";

}  // namespace tamlo
")
# Rewrite only on change, so an untouched file does not rebuild what depends on it.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL content)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${content}")
