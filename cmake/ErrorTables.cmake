# capspect_error_table(OUT_VAR TSV FILE FUNCTION NAMESPACE::NAME)
# Generates a C++ source from an error-text TSV at build time and puts its path in OUT_VAR.
# The generated function answers the table as std::span<const capspect::ErrorTextEntry>.
# A cross build names the generator built for the build machine in
# CAPSPECT_ERROR_TABLE_GENERATOR; otherwise the generator is the tools/ target.
function(capspect_error_table out_var)
    cmake_parse_arguments(ARG "" "TSV;FUNCTION" "" ${ARGN})
    get_filename_component(stem ${ARG_TSV} NAME_WE)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/generated/${stem}.cpp)
    if(CAPSPECT_ERROR_TABLE_GENERATOR)
        set(generator ${CAPSPECT_ERROR_TABLE_GENERATOR})
    else()
        set(generator capspect_error_table_generator)
    endif()
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/generated
        COMMAND ${generator} ${ARG_TSV} ${output} ${ARG_FUNCTION}
        DEPENDS ${generator} ${ARG_TSV}
        COMMENT "Generating ${stem}.cpp"
        VERBATIM)
    set(${out_var} ${output} PARENT_SCOPE)
endfunction()
