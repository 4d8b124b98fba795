# kestrel_add_plugin(NAME SOURCES...): a mode plug-in as a loadable module without the "lib"
# prefix (Call.so), so that a [ModeList] entry "Call.dll" finds it in the program directory.
function(kestrel_add_plugin name)
  add_library(${name} MODULE ${ARGN})
  set_target_properties(${name} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden)
  target_link_libraries(${name} PRIVATE modebase Kitecore)
endfunction()
