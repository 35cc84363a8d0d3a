# Builds one MSI (cmake -P, run by the targets of installer/CMakeLists.txt): stages the files in
# STAGE, keeps the symbols of the programs and libraries built here beside OUTPUT and strips them,
# signs them when a certificate is given, generates the bundle's part of the source with
# wixl-heat, builds OUTPUT with wixl and signs it.
# Inputs (-D): PRODUCT (release or test, a column of identity.txt), VERSION, MANUFACTURER, PROGRAM,
# TOOL, ENGINE_DLL, PLUGIN_DLL (the test package's are our stand-ins, stripped as ours), ICON,
# DATA (the bundle folder), WXS, STAGE, OUTPUT, the tools WIXL, WIXL_HEAT, MSIBUILD, OBJCOPY and
# OSSLSIGNCODE, RELEASE, ABOUT_URL and HELP_URL (may be empty), and SIGN_PKCS12 and SIGN_TIMESTAMP
# (each falls back on the environment variable QUENBREL_SIGN_PKCS12 or QUENBREL_SIGN_TIMESTAMP).
# The password comes from the environment variable QUENBREL_SIGN_PASSWORD alone.
include(${CMAKE_CURRENT_LIST_DIR}/identity.cmake)
quenbrel_identity(${PRODUCT})

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    list(GET ARGN 0 program)
    message(FATAL_ERROR "${program} failed (${status})")
  endif()
endfunction()

foreach(setting PKCS12 TIMESTAMP)
  if(NOT SIGN_${setting})
    set(SIGN_${setting} "$ENV{QUENBREL_SIGN_${setting}}")
  endif()
endforeach()
if(RELEASE AND (NOT SIGN_PKCS12 OR NOT SIGN_TIMESTAMP OR NOT DEFINED ENV{QUENBREL_SIGN_PASSWORD}))
  message(FATAL_ERROR " A release is signed and timestamped: it needs QUENBREL_SIGN_PKCS12, QUENBREL_SIGN_TIMESTAMP and, in the environment, QUENBREL_SIGN_PASSWORD")
endif()
set(password "$ENV{QUENBREL_SIGN_PASSWORD}")
unset(ENV{QUENBREL_SIGN_PASSWORD})  # none of the tools run here needs it in its environment
# A folder only its owner can open, holding the password only while osslsigncode runs.
get_filename_component(secret ${STAGE}.secret ABSOLUTE)
file(REMOVE_RECURSE ${secret})  # left by a build that was killed while it signed

# Signs |file| in place, through a copy, so that a failure leaves no half-signed file. osslsigncode
# reads the password from a file: on its command line, any list of processes would show it.
function(sign file)
  if(NOT SIGN_PKCS12)
    return()
  endif()
  file(MAKE_DIRECTORY ${secret})
  file(CHMOD ${secret} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  file(WRITE ${secret}/password "${password}")
  file(CHMOD ${secret}/password PERMISSIONS OWNER_READ OWNER_WRITE)
  set(command ${OSSLSIGNCODE} sign -pkcs12 ${SIGN_PKCS12} -readpass ${secret}/password
              -n ${identity_ProductName} -h sha256)
  if(SIGN_TIMESTAMP)
    list(APPEND command -ts ${SIGN_TIMESTAMP})
  endif()
  file(REMOVE ${file}.signed)
  execute_process(COMMAND ${command} -in ${file} -out ${file}.signed OUTPUT_QUIET
                  RESULT_VARIABLE status)
  file(REMOVE_RECURSE ${secret})
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "osslsigncode failed (${status}) on ${file}")
  endif()
  file(RENAME ${file}.signed ${file})
endfunction()

if(NOT IS_DIRECTORY "${DATA}")
  message(FATAL_ERROR " The app's bundle folder ${DATA} is not a folder (QUENBREL_APP_DATA)")
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

# What ships carries no symbols: each file built here keeps them in <name>.debug beside the
# package, which the shipped file names with its checksum (a debug link). The outside libraries
# ship as they come.
get_filename_component(package ${OUTPUT} NAME_WLE)
get_filename_component(symbols ${OUTPUT} DIRECTORY)
set(symbols ${symbols}/${package}-symbols)
file(REMOVE_RECURSE ${symbols})
file(MAKE_DIRECTORY ${symbols})
set(ours ${PROGRAM} ${TOOL})
if(PRODUCT STREQUAL "test")
  list(APPEND ours ${ENGINE_DLL} ${PLUGIN_DLL})
endif()
foreach(file ${ours})
  get_filename_component(name ${file} NAME)
  run(${OBJCOPY} --only-keep-debug ${name} ${symbols}/${name}.debug)
  run(${OBJCOPY} --strip-all --add-gnu-debuglink=${symbols}/${name}.debug ${name})
endforeach()
foreach(file ${PROGRAM} ${TOOL} ${ENGINE_DLL} ${PLUGIN_DLL})
  get_filename_component(name ${file} NAME)
  sign(${STAGE}/${name})
endforeach()

# The bundle's part: one component per file, in folders as in the bundle.
file(GLOB_RECURSE bundle RELATIVE ${STAGE} ${STAGE}/data/*)
list(SORT bundle)
list(JOIN bundle "\n" listing)
file(WRITE ${STAGE}/data.txt "${listing}\n")
run(${WIXL_HEAT} -p data/ --directory-ref DataFolder --component-group DataFiles
    --var var.DataDir --win64 INPUT_FILE data.txt OUTPUT_FILE data.wxs)

set(identity)
foreach(field ${identity_fields})
  list(APPEND identity -D "${field}=${identity_${field}}")
endforeach()
get_filename_component(icon_name ${ICON} NAME)
file(REMOVE ${OUTPUT})
run(${WIXL} -a x64 -o ${OUTPUT} -D Version=${VERSION} ${identity} -D Manufacturer=${MANUFACTURER}
    -D EngineLibrary=${engine_name} -D WebViewPlugin=${plugin_name} -D Icon=${icon_name}
    -D DataDir=data -D Win64=yes -D AboutUrl=${ABOUT_URL} -D HelpUrl=${HELP_URL} ${WXS} data.wxs)
# What wixl leaves out of the tables: the log-on start's condition (true on removal too, so that
# an uninstall or an upgrade run without AUTOSTART still takes the value away); AUTOSTART among
# the properties that reach the installer's service side (beside the two wixl lists); the
# programs' file versions, which repairs compare; the older version's removal inside the upgrade's
# own transaction, right after InstallInitialize (1500), so that a failed upgrade puts it back;
# the summary's language, the product's (wixl writes 1033 whatever the package says).
# (Called directly: a semicolon would split the query if it went through run's arguments.)
execute_process(COMMAND ${MSIBUILD} ${OUTPUT}
    -q "UPDATE `Component` SET `Condition` = 'AUTOSTART = \"1\" OR REMOVE'
        WHERE `Component` = 'AutoStart'"
    -q "UPDATE `Property` SET `Value` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;AUTOSTART'
        WHERE `Property` = 'SecureCustomProperties'"
    -q "UPDATE `File` SET `Version` = '${VERSION}.0' WHERE `Component_` = 'Program' OR
        `Component_` = 'SupportTool'"
    -q "UPDATE `InstallExecuteSequence` SET `Sequence` = 1501
        WHERE `Action` = 'RemoveExistingProducts'"
    -s "${identity_ProductName} ${VERSION}" "${MANUFACTURER}" "x64;1036"
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "msibuild failed (${status})")
endif()
sign(${OUTPUT})
message(STATUS "Built ${OUTPUT}")
