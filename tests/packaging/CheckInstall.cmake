# cmake --install into a fresh prefix, then every file of the tree is checked.
# Defined by the test: BUILD_DIR, WORK_DIR, EXPECTED and PROGRAMS ("|"-separated), VERSION.
cmake_minimum_required(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/CheckTree.cmake)
string(REPLACE "|" ";" EXPECTED "${EXPECTED}")
string(REPLACE "|" ";" PROGRAMS "${PROGRAMS}")

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")
relvane_run(install ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")
if(NOT install_RC EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${install_RC}):\n${install_OUT}${install_ERR}")
endif()

relvane_check_tree("${prefix}" "${EXPECTED}" "${PROGRAMS}" "${VERSION}")
relvane_finish("install tree")
file(REMOVE_RECURSE "${WORK_DIR}")
