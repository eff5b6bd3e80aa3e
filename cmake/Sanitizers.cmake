# Sanitizer and fuzzing builds.
#
# QFJS_SANITIZE: everything is compiled and linked with AddressSanitizer and
# UndefinedBehaviorSanitizer (`make test-asan` runs the suite so, with GCC).
# QFJS_FUZZ: the libFuzzer targets of tests/fuzz are built as well; it needs
# clang, implies QFJS_SANITIZE and adds the fuzzer's coverage instrumentation
# to every object, so the fuzzer sees the paths taken inside the library.
#
# V8 (libnode) is not instrumented: the sanitizers watch our code and the
# memory it touches, and V8's own allocations appear to them as foreign.
option(QFJS_FUZZ "Build the libFuzzer targets in tests/fuzz (clang only; implies QFJS_SANITIZE)" OFF)

if(QFJS_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "QFJS_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
  endif()
  set(QFJS_SANITIZE ON CACHE BOOL "" FORCE)
  add_compile_options(-fsanitize=fuzzer-no-link)
  # The platform layer's exported functions have C linkage and return
  # std::string, which is what their callers expect; only clang warns.
  add_compile_options(-Wno-return-type-c-linkage)
endif()

if(QFJS_SANITIZE)
  # vptr checks need the type information of classes that derive from V8's
  # interfaces, which V8 (built without RTTI) does not have.
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize=vptr)
  add_link_options(-fsanitize=address,undefined)
  if(QFJS_FUZZ)
    # A fuzzer must stop at the first report of any kind.
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()
