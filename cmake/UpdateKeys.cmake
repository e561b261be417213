# The public keys whose signatures the program accepts for an update, built
# into the program. TQ_UPDATE_KEYS lists one or two files (the current key
# and the next, for a rotation), each a PEM public key or the 404-byte
# PUBLICKEYBLOB of `openssl rsa -pubin -outform MSBLOB`. The default is the
# test key, whose private half lives in tests/keys; a release names the
# maker's own. An empty list is refused: no build takes unsigned updates.
set(TQ_UPDATE_KEYS "${CMAKE_SOURCE_DIR}/tests/keys/TEST-ONLY-update-signing-key.pub.blob"
    CACHE STRING "Public key files (PEM or MSBLOB) of the update signing keys, one or two")

list(LENGTH TQ_UPDATE_KEYS _tq_key_count)
if(_tq_key_count LESS 1 OR _tq_key_count GREATER 2)
  message(FATAL_ERROR "TQ_UPDATE_KEYS must name one or two public key files, got '${TQ_UPDATE_KEYS}'")
endif()
find_program(TQ_OPENSSL openssl)

# RSA-3072 PUBLICKEYBLOB: BLOBHEADER (PUBLICKEYBLOB, version 2, CALG_RSA_KEYX),
# then "RSA1" and a bit length of 3072.
set(_tq_blob_head "0602000000a4000052534131000c0000")
set(_tq_key_rows "")
set(_tq_key_index 0)
foreach(_tq_key IN LISTS TQ_UPDATE_KEYS)
  if(NOT IS_ABSOLUTE "${_tq_key}")
    set(_tq_key "${CMAKE_SOURCE_DIR}/${_tq_key}")
  endif()
  if(NOT EXISTS "${_tq_key}")
    message(FATAL_ERROR "Update key file not found: ${_tq_key}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_tq_key}")
  set(_tq_blob "${_tq_key}")
  if(_tq_key MATCHES "\\.pem$")
    set(_tq_blob "${CMAKE_BINARY_DIR}/generated/update-key-${_tq_key_index}.blob")
    execute_process(COMMAND ${TQ_OPENSSL} rsa -pubin -in "${_tq_key}" -outform MSBLOB -out "${_tq_blob}"
                    RESULT_VARIABLE _tq_rc ERROR_QUIET)
    if(NOT _tq_rc EQUAL 0)
      message(FATAL_ERROR "Not a PEM public key (a private key never goes into a build): ${_tq_key}")
    endif()
  endif()
  file(READ "${_tq_blob}" _tq_hex HEX)
  string(LENGTH "${_tq_hex}" _tq_hex_length)
  string(SUBSTRING "${_tq_hex}" 0 32 _tq_head)
  if(NOT _tq_hex_length EQUAL 808 OR NOT _tq_head STREQUAL _tq_blob_head)
    message(FATAL_ERROR "Not an RSA-3072 public key blob of 404 bytes: ${_tq_key}")
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _tq_bytes "${_tq_hex}")
  string(APPEND _tq_key_rows "    {{${_tq_bytes}}},\n")
  math(EXPR _tq_key_index "${_tq_key_index} + 1")
endforeach()

file(CONFIGURE OUTPUT "${CMAKE_BINARY_DIR}/generated/UpdateKeys.h" CONTENT
"// Generated from TQ_UPDATE_KEYS: the public keys that may sign an update.
#pragma once
#include <array>
#include <cstddef>

inline constexpr std::size_t kUpdateKeyBlobSize = 404;
inline constexpr std::array<unsigned char, kUpdateKeyBlobSize> kUpdateKeys[] = {
@_tq_key_rows@};
" @ONLY)
