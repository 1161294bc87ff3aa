# cmake -DINPUT=<text file> -DOUTPUT=<.cpp> -DNAME=<C++ name> -P EmbedText.cmake
#
# Writes a C++ source that defines `std::string_view capspect::NAME` holding the text
# file's contents, so the program carries the data without reading files at run time.
foreach(required INPUT OUTPUT NAME)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "EmbedText.cmake: ${required} is not set")
    endif()
endforeach()

file(READ "${INPUT}" text)
set(delimiter "embed")
string(FIND "${text}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
    message(FATAL_ERROR "EmbedText.cmake: ${INPUT} contains the raw string delimiter")
endif()

file(WRITE "${OUTPUT}.tmp"
    "// Generated from ${INPUT} at build time; edit that file, not this one.\n"
    "#include <string_view>\n\n"
    "namespace capspect {\n"
    "extern const std::string_view ${NAME};\n"
    "const std::string_view ${NAME} = R\"${delimiter}(${text})${delimiter}\";\n"
    "}  // namespace capspect\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
