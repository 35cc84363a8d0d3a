# The two outside libraries the program loads: the engine library (flutter_windows.dll) and the
# web-view plug-in (flutter_inappwebview_windows_plugin.dll). By default our stand-ins in
# standins/; a Windows developer points these at the real import libraries and DLLs.
set(QUENBREL_ENGINE_LIBRARY "" CACHE FILEPATH
    "Import library of the real engine library (flutter_windows.dll.lib); empty: the stand-in")
set(QUENBREL_ENGINE_DLL "" CACHE FILEPATH "The real flutter_windows.dll, copied beside the program")
set(QUENBREL_WEBVIEW_PLUGIN_LIBRARY "" CACHE FILEPATH
    "Import library of the real web-view plug-in; empty: the stand-in")
set(QUENBREL_WEBVIEW_PLUGIN_DLL "" CACHE FILEPATH
    "The real flutter_inappwebview_windows_plugin.dll, copied beside the program")

# Defines |name| as the library to link: the real one when |implib| is set, else |standin|.
function(quenbrel_outside_library name implib dll standin)
  if(implib)
    if(NOT dll)
      message(FATAL_ERROR "${name}: an import library needs its DLL as well")
    endif()
    add_library(${name} SHARED IMPORTED GLOBAL)
    set_target_properties(${name} PROPERTIES IMPORTED_IMPLIB ${implib} IMPORTED_LOCATION ${dll})
    set(${name}_FILE ${dll} PARENT_SCOPE)
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${standin})
    set(${name}_FILE $<TARGET_FILE:${standin}> PARENT_SCOPE)
  endif()
endfunction()

if(WIN32)
  quenbrel_outside_library(quenbrel_engine_library "${QUENBREL_ENGINE_LIBRARY}"
                           "${QUENBREL_ENGINE_DLL}" flutter_windows)
  quenbrel_outside_library(quenbrel_webview_plugin_library "${QUENBREL_WEBVIEW_PLUGIN_LIBRARY}"
                           "${QUENBREL_WEBVIEW_PLUGIN_DLL}" flutter_inappwebview_windows_plugin)
endif()
