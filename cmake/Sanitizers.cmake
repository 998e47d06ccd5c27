if(VESKA_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
elseif(VESKA_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(VESKA_SANITIZE STREQUAL "fuzzer")
  # Every object is instrumented for coverage; only the fuzz targets link
  # libFuzzer's main (-fsanitize=fuzzer on their own link).
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VESKA_SANITIZE=fuzzer needs clang")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
elseif(NOT VESKA_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VESKA_SANITIZE must be empty, 'address', 'thread' or 'fuzzer'")
endif()
