# The signed package of signing_test.cpp, made natively: Wine cannot start osslsigncode.
#   MODE=make:  a throw-away certificate from openssl, then the host nuvexpack builds
#               DIR/setup.exe with --sign; the key is deleted again, DIR/cert.pem stays.
#   MODE=check: osslsigncode verify accepts FILE, signed by DIR/cert.pem.

find_program(OSSLSIGNCODE osslsigncode)
find_program(OPENSSL openssl)
if(NOT OSSLSIGNCODE OR NOT OPENSSL)
  message(FATAL_ERROR "osslsigncode and openssl are needed (scripts/install-deps.sh)")
endif()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN}\nfailed (${rc}):\n${out}")
  endif()
endfunction()

if(MODE STREQUAL "check")
  run(${OSSLSIGNCODE} verify -CAfile ${DIR}/cert.pem -in ${FILE})
  return()
endif()

if(NOT EXISTS ${NUVEXPACK})
  message(FATAL_ERROR "no host nuvexpack at ${NUVEXPACK}: build the host tree first (scripts/build.sh)")
endif()
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR}/src)
file(WRITE ${DIR}/src/readme.txt "A file of the signed product.\r\n")
string(JOIN "\r\n" script
  "[Wizard]" "szInstallAppName=Signed Product" "szLabelUvod=Intro" "szTextUvod=Welcome to %s."
  "szButtonNext=Next" "szButtonInstall=Install" "szInstDir=C:\\Program Files"
  "szInstallAppDir=Signed Product"
  "szLabelUninst=Remove %s" "szTextUninst=Removes it." "szButtonUnInstall=Remove"
  "[Dialogs]" "AppInfo=false" "Licence=false" "TargetDir=true" "InstType=false"
  "[Components]" "NumberOfComponents=1"
  "[Component0]" "Title=Main" "Requied=true" "file0000=readme.txt" "")
file(WRITE ${DIR}/src/setup.ini "${script}")
file(WRITE ${DIR}/pass.txt "wine-signing-test\n")
run(${OPENSSL} req -x509 -newkey rsa:2048 -days 2 -subj "/CN=Nuvex Wine Test Signer"
    -keyout ${DIR}/key.pem -out ${DIR}/cert.pem -passout file:${DIR}/pass.txt)
run(${NUVEXPACK} build ${DIR}/src/setup.ini --stub ${STUB} -o ${DIR}/setup.exe --quiet
    --sign --cert ${DIR}/cert.pem --key ${DIR}/key.pem --pass-file ${DIR}/pass.txt)
file(REMOVE ${DIR}/key.pem ${DIR}/pass.txt)
run(${OSSLSIGNCODE} verify -CAfile ${DIR}/cert.pem -in ${DIR}/setup.exe)
