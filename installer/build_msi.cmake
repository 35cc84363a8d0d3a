# Builds one MSI (cmake -P, run by the targets of installer/CMakeLists.txt): stages the files in
# STAGE, signs the programs and libraries when a certificate is given, generates the bundle's part
# of the source with wixl-heat, builds OUTPUT with wixl and signs it.
# Inputs (-D): VERSION, PRODUCT_NAME, MANUFACTURER, PROGRAM, TOOL, ENGINE_DLL, PLUGIN_DLL, ICON,
# DATA (the bundle folder), WXS, STAGE, OUTPUT, the tools WIXL, WIXL_HEAT, MSIBUILD and
# OSSLSIGNCODE, and optionally SIGN_PKCS12, SIGN_PASSWORD and SIGN_TIMESTAMP (each falls back on
# the environment variable QUENBREL_SIGN_PKCS12, QUENBREL_SIGN_PASSWORD or QUENBREL_SIGN_TIMESTAMP).

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    list(GET ARGN 0 program)
    message(FATAL_ERROR "${program} failed (${status})")
  endif()
endfunction()

foreach(setting PKCS12 PASSWORD TIMESTAMP)
  if(NOT SIGN_${setting})
    set(SIGN_${setting} "$ENV{QUENBREL_SIGN_${setting}}")
  endif()
endforeach()

# Signs |file| in place, through a copy, so that a failure leaves no half-signed file.
function(sign file)
  if(NOT SIGN_PKCS12)
    return()
  endif()
  set(command ${OSSLSIGNCODE} sign -pkcs12 ${SIGN_PKCS12} -pass ${SIGN_PASSWORD}
              -n ${PRODUCT_NAME} -h sha256)
  if(SIGN_TIMESTAMP)
    list(APPEND command -ts ${SIGN_TIMESTAMP})
  endif()
  file(REMOVE ${file}.signed)
  run(${command} -in ${file} -out ${file}.signed OUTPUT_QUIET)
  file(RENAME ${file}.signed ${file})
endfunction()

if(NOT IS_DIRECTORY "${DATA}")
  message(FATAL_ERROR "The app's bundle folder ${DATA} is not a folder (QUENBREL_APP_DATA)")
endif()
if(SIGN_PKCS12 AND NOT OSSLSIGNCODE)
  message(FATAL_ERROR "A certificate is given but osslsigncode was not found")
endif()
if(NOT SIGN_PKCS12)
  message(STATUS "No signing certificate (QUENBREL_SIGN_PKCS12): nothing in ${OUTPUT} is signed")
endif()

# wixl takes sources relative to where it runs: everything goes into the stage, under the names
# it will have once installed.
file(REMOVE_RECURSE ${STAGE})
get_filename_component(engine_name ${ENGINE_DLL} NAME)
get_filename_component(plugin_name ${PLUGIN_DLL} NAME)
file(COPY ${PROGRAM} ${TOOL} ${ENGINE_DLL} ${PLUGIN_DLL} DESTINATION ${STAGE})
file(COPY ${ICON} DESTINATION ${STAGE})
file(COPY ${DATA}/ DESTINATION ${STAGE}/data)
foreach(file ${PROGRAM} ${TOOL} ${ENGINE_DLL} ${PLUGIN_DLL})
  get_filename_component(name ${file} NAME)
  sign(${STAGE}/${name})
endforeach()

# The bundle's part: one component per file, in folders as in the bundle.
file(GLOB_RECURSE bundle RELATIVE ${STAGE} ${STAGE}/data/*)
list(SORT bundle)
list(JOIN bundle "\n" listing)
file(WRITE ${STAGE}/data.txt "${listing}\n")
run(${WIXL_HEAT} -p data/ --directory-ref DATADIR --component-group DataFiles
    --var var.DataDir --win64 INPUT_FILE data.txt OUTPUT_FILE data.wxs)

get_filename_component(icon_name ${ICON} NAME)
file(REMOVE ${OUTPUT})
run(${WIXL} -a x64 -o ${OUTPUT} -D Version=${VERSION} -D ProductName=${PRODUCT_NAME}
    -D Manufacturer=${MANUFACTURER} -D EngineLibrary=${engine_name}
    -D WebViewPlugin=${plugin_name} -D Icon=${icon_name} -D DataDir=data -D Win64=yes
    ${WXS} data.wxs)
# What wixl leaves out of the tables: the log-on start's condition (true on removal too, so that
# an uninstall or an upgrade run without AUTOSTART still takes the value away); AUTOSTART among
# the properties that reach the installer's service side (beside the two wixl lists); the
# programs' file versions, which repairs compare.
# (Called directly: a semicolon would split the query if it went through run's arguments.)
execute_process(COMMAND ${MSIBUILD} ${OUTPUT}
    -q "UPDATE `Component` SET `Condition` = 'AUTOSTART = \"1\" OR REMOVE'
        WHERE `Component` = 'AutoStart'"
    -q "UPDATE `Property` SET `Value` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;AUTOSTART'
        WHERE `Property` = 'SecureCustomProperties'"
    -q "UPDATE `File` SET `Version` = '${VERSION}.0' WHERE `Component_` = 'Program' OR
        `Component_` = 'SupportTool'" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "msibuild failed (${status})")
endif()
sign(${OUTPUT})
message(STATUS "Built ${OUTPUT}")
