# Shared helpers for the libraries, tests and tools of the tree.

set(QOR_WARNINGS -Wall -Wextra -Wshadow)
# GCC 12 warns wrongly about `"text" + std::string` once optimised (its libstdc++ inlines a
# replace whose bounds it cannot prove); later compilers do not.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND QOR_WARNINGS -Wno-restrict)
endif()
# CI turns warnings into errors (./run test); a developer's build is not broken by the new warnings
# of a newer compiler.
if(QOR_WERROR)
  list(APPEND QOR_WARNINGS -Werror)
endif()

if(QOR_SANITIZE STREQUAL "address")
  set(QOR_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(QOR_SANITIZE STREQUAL "thread")
  set(QOR_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
  # GCC warns that TSan does not model the fences inside libstdc++ and Crypto++ headers; nothing of ours.
  add_compile_options(-Wno-tsan)
elseif(NOT QOR_SANITIZE STREQUAL "")
  message(FATAL_ERROR "QOR_SANITIZE must be '', 'address' or 'thread'")
endif()
if(QOR_SANITIZER_FLAGS)
  add_compile_options(${QOR_SANITIZER_FLAGS})
  add_link_options(${QOR_SANITIZER_FLAGS})
endif()

# qor_add_library(NAME DIR <folder> [LINKS ...] [PRIVATE_LINKS ...])
# Sources are every .cpp below the folder, so features can be added as files without touching this
# list; headers below it are public unless they sit in a folder named "internal".
function(qor_add_library name)
  cmake_parse_arguments(ARG "" "DIR" "LINKS;PRIVATE_LINKS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  add_library(${name} SHARED ${sources})
  add_library(QOR::${name} ALIAS ${name})
  target_compile_options(${name} PRIVATE ${QOR_WARNINGS})
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/qor>)
  target_link_libraries(${name} PUBLIC ${ARG_LINKS} PRIVATE ${ARG_PRIVATE_LINKS})
  # The link graph between the libraries is part of the layout, so keep every link even where a
  # library does not call into another yet.
  target_link_options(${name} PRIVATE "LINKER:--no-as-needed")
  # $ORIGIN: an installed library finds the others it needs beside it.
  set_target_properties(${name} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${name} EXPORT QORTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  get_filename_component(folder ${ARG_DIR} NAME)
  install(DIRECTORY ${ARG_DIR}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qor/${folder}
    FILES_MATCHING PATTERN "*.h" PATTERN "internal" EXCLUDE)
endfunction()

# qor_add_test(NAME [SOURCES ...] [LIBS ...] [LABELS ...] [TSAN] [TIMEOUT s])
# LABELS e2e marks the tests that run real flows against the reference server (one label only).
# One GoogleTest program per feature folder. Under ThreadSanitizer only the tests marked TSAN are
# built, which keeps that build to the queue, transport and engine tests.
function(qor_add_test name)
  cmake_parse_arguments(ARG "TSAN" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(QOR_SANITIZE STREQUAL "thread" AND NOT ARG_TSAN)
    return()
  endif()
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${QOR_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} qor_test_support GTest::gmock GTest::gtest)
  target_compile_definitions(${name} PRIVATE
    QOR_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QOR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # gtest_discover_tests cannot hand a list through its generated script, so a test carries one
  # label: the one given (e2e), else its program's name.
  if(ARG_LABELS)
    list(GET ARG_LABELS 0 label)
  else()
    set(label ${name})
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS ${label})
endfunction()

# Adds every folder below the current one that has a CMakeLists.txt (one feature each).
function(qor_add_feature_folders)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
