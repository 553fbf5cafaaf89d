# Writes OUTPUT, a source file that names the build: the commit of the source tree (with
# "-dirty" when it has uncommitted changes), or "?" outside a git checkout. Runs at every build;
# the file is rewritten only when the name changes, so nothing else recompiles.
set(build_id "?")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" describe --always --dirty --abbrev=12 --exclude=*
                  OUTPUT_VARIABLE described RESULT_VARIABLE result ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(result EQUAL 0 AND described MATCHES "^[0-9a-f]+(-dirty)?$")
    set(build_id "${described}")
  endif()
endif()
set(content "// Generated at build time; do not edit.\n#include \"Support/BuildInfo.h\"\n\nconst char* corvanta::buildIdentifier()\n{\n    return \"${build_id}\";\n}\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL content)
  file(WRITE "${OUTPUT}" "${content}")
endif()
