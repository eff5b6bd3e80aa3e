# V8 is unpacked from Debian's libnode108/libnode-dev into .deps/v8 by
# scripts/install-deps.sh; compile only against those headers (V8 10.2), never
# against a Node.js installation's headers elsewhere on the machine.
set(QFJS_V8_ROOT "${CMAKE_SOURCE_DIR}/.deps/v8/usr" CACHE PATH "Root of the unpacked libnode packages")
set(QFJS_V8_INCLUDE_DIR "${QFJS_V8_ROOT}/include/node")
set(QFJS_V8_LIBRARY "${QFJS_V8_ROOT}/lib/x86_64-linux-gnu/libnode.so.108")
if(NOT EXISTS "${QFJS_V8_INCLUDE_DIR}/v8.h" OR NOT EXISTS "${QFJS_V8_LIBRARY}")
  message(FATAL_ERROR "V8 not found under ${QFJS_V8_ROOT}; run scripts/install-deps.sh")
endif()
get_filename_component(QFJS_V8_LIBDIR "${QFJS_V8_LIBRARY}" DIRECTORY)

add_library(v8 SHARED IMPORTED GLOBAL)
set_target_properties(v8 PROPERTIES
  IMPORTED_LOCATION "${QFJS_V8_LIBRARY}"
  IMPORTED_NO_SONAME FALSE
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${QFJS_V8_INCLUDE_DIR}"
  INTERFACE_INCLUDE_DIRECTORIES "${QFJS_V8_INCLUDE_DIR}")

find_package(Threads REQUIRED)
find_package(Boost 1.74 REQUIRED COMPONENTS filesystem system)
find_package(ICU REQUIRED COMPONENTS uc i18n data)
find_package(PNG REQUIRED)

find_path(PICOJSON_INCLUDE_DIR picojson.h PATH_SUFFIXES picojson REQUIRED)
add_library(picojson INTERFACE IMPORTED GLOBAL)
set_target_properties(picojson PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${PICOJSON_INCLUDE_DIR}"
  INTERFACE_COMPILE_DEFINITIONS "PICOJSON_USE_INT64")

# Compile settings of everything inside libqfjsbinding.
add_library(qfjs_lib_flags INTERFACE)
target_include_directories(qfjs_lib_flags INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
target_compile_definitions(qfjs_lib_flags INTERFACE QFJS_BUILDING_LIBRARY)
target_compile_options(qfjs_lib_flags INTERFACE -fvisibility=hidden -fvisibility-inlines-hidden)
target_link_libraries(qfjs_lib_flags INTERFACE
  v8 picojson Boost::filesystem Boost::system ICU::uc ICU::i18n ICU::data Threads::Threads ${CMAKE_DL_LIBS})
