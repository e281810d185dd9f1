# OpenCV's core and imgproc for a cross build, from Debian's per-module packages
# (libopencv-core-dev, libopencv-imgproc-dev for the target): the package that holds OpenCV's
# CMake files, libopencv-dev, cannot be installed for a second processor. Defines the imported
# targets opencv_core and opencv_imgproc that the find module would.
set(opencv_includes /usr/include/opencv4 /usr/include/${CMAKE_LIBRARY_ARCHITECTURE}/opencv4)
foreach(module core imgproc)
  find_library(opencv_${module}_library
    NAMES opencv_${module} libopencv_${module}.so.406
    PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE} NO_DEFAULT_PATH REQUIRED)
  add_library(opencv_${module} SHARED IMPORTED GLOBAL)
  set_target_properties(opencv_${module} PROPERTIES
    IMPORTED_LOCATION ${opencv_${module}_library}
    INTERFACE_INCLUDE_DIRECTORIES "${opencv_includes}")
endforeach()
set_property(TARGET opencv_imgproc PROPERTY INTERFACE_LINK_LIBRARIES opencv_core)
