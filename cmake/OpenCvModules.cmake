# OpenCV's modules for a cross build, from Debian's per-module packages (libopencv-core-dev,
# libopencv-imgproc-dev, ... for the target): the package that holds OpenCV's CMake files,
# libopencv-dev, depends on every module, the 3D viewer's VTK among them. Defines the imported
# targets opencv_<module> that the find module would, for the modules in quelta_opencv_modules
# (core first).
find_path(opencv_include_dir opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
find_path(opencv_config_include_dir opencv2/cvconfig.h
  PATHS /usr/include/${CMAKE_LIBRARY_ARCHITECTURE}/opencv4 REQUIRED)
foreach(module ${quelta_opencv_modules})
  find_library(opencv_${module}_library NAMES opencv_${module} libopencv_${module}.so.406
    PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE} NO_DEFAULT_PATH REQUIRED)
  add_library(opencv_${module} SHARED IMPORTED GLOBAL)
  set_target_properties(opencv_${module} PROPERTIES
    IMPORTED_LOCATION ${opencv_${module}_library}
    INTERFACE_INCLUDE_DIRECTORIES "${opencv_include_dir};${opencv_config_include_dir}")
  if(NOT module STREQUAL core)
    set_property(TARGET opencv_${module} PROPERTY INTERFACE_LINK_LIBRARIES opencv_core)
  endif()
endforeach()
