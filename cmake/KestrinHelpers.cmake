# Small helpers so that each layer's CMakeLists states only what is its own.

# Adds each listed folder that has a CMakeLists.txt.
function(kst_add_subdirectories)
  foreach(dir IN LISTS ARGN)
    if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt")
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# kst_library(NAME <target> [SHARED] [LINK <libs>...])
# A library from the current folder: sources in src/, public headers in
# include/ (the only folder callers see).
function(kst_library)
  cmake_parse_arguments(ARG "SHARED" "NAME" "LINK;PRIVATE_LINK" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/src/*.h")
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/include/*.h")
  if(NOT sources)
    # A layer whose sources have not landed yet still gives a target to link.
    set(placeholder "${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}_empty.cpp")
    file(WRITE "${placeholder}" "// no sources yet\n")
    set(sources "${placeholder}")
  endif()
  if(ARG_SHARED)
    add_library(${ARG_NAME} SHARED ${sources} ${headers})
  else()
    add_library(${ARG_NAME} STATIC ${sources} ${headers})
  endif()
  target_include_directories(${ARG_NAME}
    PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}/include"
    PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/src")
  if(ARG_LINK)
    target_link_libraries(${ARG_NAME} PUBLIC ${ARG_LINK})
  endif()
  if(ARG_PRIVATE_LINK)
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_PRIVATE_LINK})
  endif()
endfunction()

# kst_gtest(NAME <exe> [LINK <libs>...])
# A GoogleTest executable from every .cpp in the current folder. Each test
# gets its own empty data folder through KESTRIN_HOME (see tests/support).
function(kst_gtest)
  cmake_parse_arguments(ARG "" "NAME" "LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  add_executable(${ARG_NAME} ${sources})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LINK} kst_testsupport GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${ARG_NAME}
    DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
