# Each layer is one static library made of every source file below its folder,
# so adding a class never means editing a build file.
function(k30418_layer name dir)
  cmake_parse_arguments(L "" "" "EXCLUDE;DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  foreach(ex IN LISTS L_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "^${CMAKE_SOURCE_DIR}/${ex}/")
  endforeach()
  set(cpps ${srcs})
  list(FILTER cpps INCLUDE REGEX "\\.cpp$")
  if(NOT cpps)
    # A layer that has no classes yet still links.
    set(stub ${CMAKE_BINARY_DIR}/stubs/${name}.cpp)
    file(WRITE ${stub} "")
    list(APPEND srcs ${stub})
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PUBLIC ${L_DEPS})
endfunction()
