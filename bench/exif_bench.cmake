# The EXIF reader core against libexiv2: included by the benchmark project (Release, no sanitizers).
if(NOT DEFINED TOLM_ROOT)
  get_filename_component(TOLM_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
endif()
find_package(exiv2 REQUIRED CONFIG)

add_executable(exif_bench
  ${CMAKE_CURRENT_LIST_DIR}/exif_bench.cpp
  ${TOLM_ROOT}/tests/exif/core/work_meter.cpp
  ${TOLM_ROOT}/exif/core/comment.cpp
  ${TOLM_ROOT}/exif/core/engine.cpp
  ${TOLM_ROOT}/exif/core/format.cpp
  ${TOLM_ROOT}/exif/core/source.cpp
  ${TOLM_ROOT}/exif/core/thumbnail.cpp
  ${TOLM_ROOT}/exif/core/walker.cpp)
target_include_directories(exif_bench PRIVATE ${TOLM_ROOT})
target_compile_definitions(exif_bench PRIVATE TOLM_ROOT_DIR="${TOLM_ROOT}")
target_link_libraries(exif_bench PRIVATE exiv2lib)
