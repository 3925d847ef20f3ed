# One interface target carries the compile settings every target of the project shares.
add_library(quillmere_settings INTERFACE)
# Includes name their layer: "model/FavoritesTree.h".
target_include_directories(quillmere_settings INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(quillmere_settings INTERFACE -Wall -Wextra -Werror)
# GCC 12 reports overlapping copies inside std::string that can't happen wherever a literal is
# added to a string at -O2 and above; GCC 13 no longer does.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(quillmere_settings INTERFACE -Wno-restrict)
endif()
target_compile_definitions(quillmere_settings INTERFACE
  $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
if(QUILLMERE_SANITIZE)
  target_compile_options(quillmere_settings INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(quillmere_settings INTERFACE -fsanitize=address,undefined)
  target_compile_definitions(quillmere_settings INTERFACE _GLIBCXX_ASSERTIONS)
endif()
