# AddressSanitizer and UndefinedBehaviorSanitizer for everything built below,
# with every finding fatal.
set(ECUCAL_SANITIZER_FLAGS
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(${ECUCAL_SANITIZER_FLAGS})
add_link_options(-fsanitize=address,undefined)
