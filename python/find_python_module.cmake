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
execute_process(COMMAND ${Python_EXECUTABLE} -c "import numpy" RESULT_VARIABLE numpy_missing
                OUTPUT_QUIET ERROR_QUIET)
if(numpy_missing)
  message(STATUS "numpy not found for ${Python_EXECUTABLE}: the Python module is not built")
  return()
endif()
execute_process(COMMAND ${Python_EXECUTABLE} -c "import pytest" RESULT_VARIABLE pytest_missing
                OUTPUT_QUIET ERROR_QUIET)
if(pytest_missing)
  message(STATUS "pytest not found for ${Python_EXECUTABLE}: the Python tests are not run")
else()
  set(KINELAB_PYTEST_FOUND ON)
endif()
set(KINELAB_PYTHON_FOUND ON)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
# Position-independent code would otherwise let every exported function be replaced at load
# time, which keeps GCC from inlining calls between them.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-fno-semantic-interposition)
endif()
message(STATUS "Python module for ${Python_EXECUTABLE} (pybind11 ${pybind11_VERSION})")
