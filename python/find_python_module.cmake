# Finds what the Python module needs: Debian's /usr/bin/python3 (other interpreters on PATH, such
# as pyenv's, lack Debian's numpy and pytest), pybind11 and numpy. Sets KINELAB_PYTHON_FOUND, and
# KINELAB_PYTEST_FOUND when that interpreter has pytest. Anything missing skips the module.
set(KINELAB_PYTHON_FOUND OFF)
set(KINELAB_PYTEST_FOUND OFF)
if(NOT DEFINED Python_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The Python the module is built for")
endif()
set(PYBIND11_FINDPYTHON ON)
find_package(Python COMPONENTS Interpreter Development.Module QUIET)
if(Python_FOUND)
  find_package(pybind11 CONFIG QUIET)
endif()
if(NOT Python_FOUND OR NOT pybind11_FOUND)
  message(STATUS "pybind11 or Python's headers not found: the Python module is not built")
  return()
endif()
# Whether the interpreter can import `module`.
function(kinelab_python_imports module result)
  execute_process(COMMAND ${Python_EXECUTABLE} -c "import ${module}" RESULT_VARIABLE failed
                  OUTPUT_QUIET ERROR_QUIET)
  if(failed)
    set(${result} OFF PARENT_SCOPE)
  else()
    set(${result} ON PARENT_SCOPE)
  endif()
endfunction()
kinelab_python_imports(numpy numpy_found)
if(NOT numpy_found)
  message(STATUS "numpy not found for ${Python_EXECUTABLE}: the Python module is not built")
  return()
endif()
kinelab_python_imports(pytest KINELAB_PYTEST_FOUND)
if(NOT KINELAB_PYTEST_FOUND)
  message(STATUS "pytest not found for ${Python_EXECUTABLE}: the Python tests are not run")
endif()
set(KINELAB_PYTHON_FOUND ON)
# Where `cmake --install` puts the package: under the prefix, laid out as the interpreter's own
# site folder (so that the prefix /usr/local is the one Debian's python3 reads); an absolute
# path installs anywhere else. kinelab-cli --sweep looks for the package there too.
execute_process(COMMAND ${Python_EXECUTABLE} -c
  "import sysconfig as s; print(s.get_path('platlib', vars={'platbase': '.', 'base': '.'}))"
  OUTPUT_VARIABLE KINELAB_PYTHON_SITE OUTPUT_STRIP_TRAILING_WHITESPACE)
string(REGEX REPLACE "^local/" "" KINELAB_PYTHON_SITE "${KINELAB_PYTHON_SITE}")
set(KINELAB_PYTHON_INSTALL_DIR ${KINELAB_PYTHON_SITE} CACHE PATH
    "Where `cmake --install` puts the Python package (relative: under the prefix)")
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
# Position-independent code would otherwise let every exported function be replaced at load
# time, which keeps GCC from inlining calls between them.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-fno-semantic-interposition)
endif()
message(STATUS "Python module for ${Python_EXECUTABLE} (pybind11 ${pybind11_VERSION})")
