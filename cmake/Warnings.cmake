# Warnings for every target of the project: on, and errors when TAVRIN_WERROR is set.
add_compile_options(-Wall -Wextra -Wshadow=local -Wno-unused-parameter)
if(TAVRIN_WERROR)
  add_compile_options(-Werror)
endif()
