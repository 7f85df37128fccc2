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

# qor_add_library(NAME DIR <folder> [LINKS ...] [PRIVATE_LINKS ...] [PUBLIC_HEADERS ...])
# Sources are every .cpp below the folder, so features can be added as files without touching this
# list. Each source is compiled once, into NAME_objects, of which two libraries are made:
# - NAME, the shared library a host app links. It is built with hidden visibility, so its dynamic
#   symbol table holds only what carries the library's export mark (<folder>/<Name>Export.h): what a
#   host app uses and what the other libraries of the system use of it.
# - NAME_static, a static archive of the same objects, for the tests and tools that reach internals.
#   A program links either these archives (qor_static_libraries) or the shared libraries, never both,
#   so it holds one copy of each library and of its singletons (the main queue, the keychain).
# PUBLIC_HEADERS are the headers a host app includes (relative to the folder); they and every header
# they include are installed, and nothing else (cmake/QorInstallHeaders.cmake).
function(qor_add_library name)
  cmake_parse_arguments(ARG "" "DIR" "LINKS;PRIVATE_LINKS;PUBLIC_HEADERS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  set_property(GLOBAL APPEND PROPERTY QOR_LIBRARIES ${name})

  add_library(${name}_objects OBJECT ${sources})
  set_target_properties(${name}_objects PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_compile_options(${name}_objects PRIVATE ${QOR_WARNINGS})
  target_include_directories(${name}_objects PUBLIC ${PROJECT_SOURCE_DIR})
  # Objects are not linked, so this only hands on include folders and definitions.
  target_link_libraries(${name}_objects PUBLIC ${ARG_LINKS} PRIVATE ${ARG_PRIVATE_LINKS})

  add_library(${name} SHARED $<TARGET_OBJECTS:${name}_objects>)
  add_library(QOR::${name} ALIAS ${name})
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/qor>)
  # Each library links what it uses and no more; an unused link would stay a NEEDED entry
  # (tests/install/CheckLinkGraph.cmake). A symbol another library does not export fails the link
  # here rather than at load time.
  target_link_libraries(${name} PUBLIC ${ARG_LINKS} PRIVATE ${ARG_PRIVATE_LINKS})
  target_link_options(${name} PRIVATE "LINKER:--no-undefined"
    "LINKER:--version-script=${PROJECT_SOURCE_DIR}/cmake/QorExports.map")
  set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/QorExports.map)
  # $ORIGIN: an installed library finds the others it needs beside it.
  set_target_properties(${name} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${name} EXPORT QORTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

  qor_static_libraries(static_links ${ARG_LINKS})
  add_library(${name}_static STATIC EXCLUDE_FROM_ALL $<TARGET_OBJECTS:${name}_objects>)
  target_include_directories(${name}_static PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name}_static PUBLIC ${static_links} PRIVATE ${ARG_PRIVATE_LINKS})

  foreach(header ${ARG_PUBLIC_HEADERS})
    file(RELATIVE_PATH header ${PROJECT_SOURCE_DIR} ${ARG_DIR}/${header})
    set_property(GLOBAL APPEND PROPERTY QOR_PUBLIC_HEADERS ${header})
  endforeach()
endfunction()

# qor_static_libraries(OUT libs...): the list with each library of the system replaced by its static
# archive; other items (imported targets, support libraries) stay as they are.
function(qor_static_libraries out)
  get_property(system GLOBAL PROPERTY QOR_LIBRARIES)
  set(result "")
  foreach(lib ${ARGN})
    if(lib IN_LIST system)
      list(APPEND result ${lib}_static)
    else()
      list(APPEND result ${lib})
    endif()
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

# Installs the public headers of every library and the headers they include (run once, after the
# libraries are added).
function(qor_install_public_headers)
  get_property(roots GLOBAL PROPERTY QOR_PUBLIC_HEADERS)
  install(CODE "set(QOR_HEADER_ROOTS \"${roots}\")
    set(QOR_HEADER_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
    set(QOR_HEADER_DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_INCLUDEDIR}/qor\")
    include(\"${PROJECT_SOURCE_DIR}/cmake/QorInstallHeaders.cmake\")")
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
  set_property(GLOBAL APPEND PROPERTY QOR_TEST_PROGRAMS ${name})
  target_compile_options(${name} PRIVATE ${QOR_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  # Tests reach internals, so they link the static archives (see qor_add_library).
  qor_static_libraries(libs ${ARG_LIBS})
  target_link_libraries(${name} PRIVATE ${libs} qor_test_support GTest::gmock GTest::gtest)
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
