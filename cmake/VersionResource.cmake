# veska_version_resource(<out_var> <name> TYPE APP|DLL DESCRIPTION <text> ORIGINAL_NAME <file>)
# At build time writes <name>_version.res, a VS_VERSIONINFO block of the
# project version, sets <out_var> to the triple that puts it into a module's
# resources as RT_VERSION ("#16") id 1, and <out_var>_TARGET to the target
# that makes the file:
#   veska_add_module_resources(<target> <other triples...> ${<out_var>}
#                              DEPENDS_ON ${<out_var>_TARGET} ...)
function(veska_version_resource out_var name)
  cmake_parse_arguments(ARG "" "TYPE;DESCRIPTION;ORIGINAL_NAME" "" ${ARGN})
  string(TOLOWER "${ARG_TYPE}" kind)
  set(version "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
  if(PROJECT_VERSION_TWEAK)
    set(version "${PROJECT_VERSION}")
  endif()
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${name}_version.res)
  add_custom_command(OUTPUT ${file}
    COMMAND veska_make_version_resource --output=${file} --version=${version} --type=${kind}
            "--description=${ARG_DESCRIPTION}" "--original-name=${ARG_ORIGINAL_NAME}"
    DEPENDS veska_make_version_resource
    COMMENT "Version resource of ${name} (${version})"
    VERBATIM)
  add_custom_target(${name}_version_resource DEPENDS ${file})
  set(${out_var} "#16" 1 ${file} PARENT_SCOPE)
  set(${out_var}_TARGET ${name}_version_resource PARENT_SCOPE)
endfunction()

# veska_add_version_resource(<target> TYPE APP|DLL DESCRIPTION <text> ORIGINAL_NAME <file>)
# For a module with no other resources.
function(veska_add_version_resource target)
  veska_version_resource(resource ${target} ${ARGN})
  veska_add_module_resources(${target} ${resource} DEPENDS_ON ${resource_TARGET})
endfunction()
