cmake_policy(SET CMP0057 NEW)
# Lists the module's dynamic symbols and fails unless they are exactly the module's own names.
execute_process(COMMAND nm -D --defined-only ${MODULE} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
set(expected
  _Z8GetLoadsPiPfS0_S0_S0_S0_S0_S_S_PcS_S1_
  _ZN21GetLoadsTransferUnitsC1Ev
  _ZN21GetLoadsTransferUnitsC2Ev
  _ZN21GetLoadsTransferUnitsD1Ev
  _ZN21GetLoadsTransferUnitsD2Ev
  _ZN21GetLoadsTransferUnitsaSERKS_
  _ZN21GetLoadsTransferUnits12TransferUnitEN12UnitTransfer11TalvorUnitsEfPKc
  _ZN10viru4deduz16SetUserInterfaceEPNS_13UserInterfaceE)
string(REPLACE "\n" ";" lines "${out}")
set(found "")
foreach(line IN LISTS lines)
  string(REGEX MATCH "[^ ]+$" name "${line}")
  if(name STREQUAL "" OR line MATCHES " [AB] " )
    continue()  # linker-made markers (version nodes, section bounds)
  endif()
  list(APPEND found ${name})
endforeach()
foreach(name IN LISTS expected)
  if(NOT name IN_LIST found)
    message(FATAL_ERROR "missing export: ${name}\n${out}")
  endif()
endforeach()
foreach(name IN LISTS found)
  if(NOT name IN_LIST expected)
    message(FATAL_ERROR "unexpected export: ${name}\n${out}")
  endif()
endforeach()
message(STATUS "exports: ${found}")
