# One warning set for every target of the project; warnings stay clean.
add_compile_options(
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
  $<$<COMPILE_LANGUAGE:CXX>:-Wno-missing-field-initializers>)
