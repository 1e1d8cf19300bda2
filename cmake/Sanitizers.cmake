# ORV_SANITIZE=ON builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (Linux only). Any report aborts the test.
option(ORV_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(ORV_SANITIZE)
  if(WIN32)
    message(FATAL_ERROR "ORV_SANITIZE is for the Linux target")
  endif()
  set(ORV_SANITIZER_FLAGS
      -fsanitize=address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
  add_compile_options(${ORV_SANITIZER_FLAGS})
  add_link_options(${ORV_SANITIZER_FLAGS})
endif()
